#include "platform/qt/QtControls.h"

#include <QApplication>
#include <QPainterPath>
#include <QSlider>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <cmath>

#include "platform/appkit/TextMetrics.h"
#include "platform/graphics/Color.h"
#include "platform/qt/QtGraphicsContext.h"
#include "platform/qt/QtText.h"

namespace platform::qt {

namespace {

QStyle::State baseState(const ControlDrawing& c) {
    QStyle::State s = QStyle::State_None;
    if (c.enabled) s |= QStyle::State_Enabled;
    if (c.active) s |= QStyle::State_Active;
    if (c.focused) s |= QStyle::State_HasFocus;
    s |= c.pressed ? QStyle::State_Sunken : QStyle::State_Raised;
    return s;
}

QStyle::State checkState(ControlStateValue v) {
    switch (v) {
        case ControlStateValue::on: return QStyle::State_On;
        case ControlStateValue::mixed: return QStyle::State_NoChange;
        case ControlStateValue::off: return QStyle::State_Off;
    }
    return QStyle::State_Off;
}

template <class Option>
void fill(Option& option, const ControlDrawing& c, const QRect& rect) {
    option.rect = rect;
    option.state = baseState(c);
    option.palette = QApplication::palette();
    option.palette.setCurrentColorGroup(!c.enabled ? QPalette::Disabled : c.active ? QPalette::Active : QPalette::Inactive);
    option.fontMetrics = QFontMetrics(qFont(defaultTextFont()));
    option.direction = Qt::LeftToRight;
}

void drawMagnifier(QPainter& p, const QRectF& rect, const QColor& colour) {
    const QPointF centre(rect.left() + 11, rect.center().y() - 1);
    QPen pen(colour, 1.5);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 4.5, 4.5);
    p.drawLine(centre + QPointF(3.3, 3.3), centre + QPointF(6.5, 6.5));
}

void drawScroller(QPainter& p, const ControlDrawing& c, const QRectF& rect, const AppearanceName& appearance) {
    const QRectF track = rect.adjusted(2, 2, -2, -2);
    const double length = c.vertical ? track.height() : track.width();
    const double knob = std::clamp(c.knobProportion * length, std::min(20.0, length), length);
    const double at = std::clamp(c.value, 0.0, 1.0) * (length - knob);
    const QRectF shape = c.vertical ? QRectF(track.left() + 1, track.top() + at, track.width() - 2, knob)
                                    : QRectF(track.left() + at, track.top() + 1, knob, track.height() - 2);
    const QColor colour = appearance::isDark(appearance) ? QColor(255, 255, 255, 110) : QColor(0, 0, 0, 110);
    const double radius = std::min(shape.width(), shape.height()) / 2;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(shape, radius, radius);
}

void drawFocusRing(QPainter& p, const QRectF& rect, const AppearanceName& appearance) {
    QColor colour = qColor(Color::named("System", "controlAccentColor"), appearance);
    colour.setAlphaF(0.6f);
    QPen pen(colour, 2.5);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(rect.adjusted(-1.5, -1.5, 1.5, 1.5), 3.5, 3.5);
}

}  // namespace

void drawStandardControl(QPainter& p, const ControlDrawing& c, const QRectF& rectF, const AppearanceName& appearance) {
    QStyle* style = QApplication::style();
    if (!style) return;
    const QRect rect = rectF.toAlignedRect();
    p.save();
    p.setFont(qFont(defaultTextFont()));
    switch (c.kind) {
        case ControlKind::pushButton: {
            QStyleOptionButton o;
            fill(o, c, rect);
            o.text = toQString(c.title);
            if (c.isDefault) o.features |= QStyleOptionButton::DefaultButton;
            if (!c.bordered) o.features |= QStyleOptionButton::Flat;
            style->drawControl(QStyle::CE_PushButton, &o, &p);
            break;
        }
        case ControlKind::checkBox:
        case ControlKind::radioButton: {
            QStyleOptionButton o;
            fill(o, c, rect);
            o.state |= checkState(c.state);
            o.text = toQString(c.title);
            style->drawControl(c.kind == ControlKind::checkBox ? QStyle::CE_CheckBox : QStyle::CE_RadioButton, &o, &p);
            break;
        }
        case ControlKind::slider: {
            QStyleOptionSlider o;
            fill(o, c, rect);
            o.state &= ~QStyle::State_Sunken;
            o.orientation = c.vertical ? Qt::Vertical : Qt::Horizontal;
            o.minimum = 0;
            o.maximum = 1000;
            const double span = c.maxValue - c.minValue;
            const int position = span != 0 ? int(std::lround((c.value - c.minValue) / span * 1000)) : 0;
            o.sliderPosition = o.sliderValue = std::clamp(position, 0, 1000);
            o.upsideDown = c.vertical;
            o.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
            if (c.numberOfTickMarks > 1) {
                o.subControls |= QStyle::SC_SliderTickmarks;
                o.tickPosition = QSlider::TicksBelow;
                o.tickInterval = int(1000 / (c.numberOfTickMarks - 1));
            }
            if (c.pressed) {
                o.activeSubControls = QStyle::SC_SliderHandle;
                o.state |= QStyle::State_Sunken;
            }
            style->drawComplexControl(QStyle::CC_Slider, &o, &p);
            break;
        }
        case ControlKind::textFieldBezel:
        case ControlKind::searchFieldBezel: {
            QStyleOptionFrame o;
            fill(o, c, rect);
            o.state &= ~QStyle::State_Raised;
            o.state |= QStyle::State_Sunken;
            o.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &o);
            o.midLineWidth = 0;
            style->drawPrimitive(QStyle::PE_PanelLineEdit, &o, &p);
            if (c.kind == ControlKind::searchFieldBezel)
                drawMagnifier(p, rectF, o.palette.color(QPalette::PlaceholderText));
            break;
        }
        case ControlKind::popUpButton: {
            QStyleOptionComboBox o;
            fill(o, c, rect);
            o.currentText = toQString(c.title);
            o.editable = false;
            o.frame = c.bordered;
            o.subControls = QStyle::SC_All;
            style->drawComplexControl(QStyle::CC_ComboBox, &o, &p);
            style->drawControl(QStyle::CE_ComboBoxLabel, &o, &p);
            break;
        }
        case ControlKind::segmentedControl: {
            double x = rectF.left();
            for (std::size_t i = 0; i < c.segmentLabels.size(); ++i) {
                const double w = i < c.segmentWidths.size() ? c.segmentWidths[i] : rectF.width() / double(c.segmentLabels.size());
                const bool selected = i < c.segmentSelected.size() && c.segmentSelected[i];
                QStyleOptionButton o;
                fill(o, c, QRectF(x, rectF.top(), w + (i + 1 < c.segmentLabels.size() ? 1 : 0), rectF.height()).toAlignedRect());
                if (selected) {
                    o.state |= QStyle::State_On | QStyle::State_Sunken;
                    o.state &= ~QStyle::State_Raised;
                }
                style->drawPrimitive(QStyle::PE_PanelButtonCommand, &o, &p);
                style->drawItemText(&p, o.rect, Qt::AlignCenter, o.palette, c.enabled, toQString(c.segmentLabels[i]),
                                    QPalette::ButtonText);
                x += w;
            }
            break;
        }
        case ControlKind::scroller: drawScroller(p, c, rectF, appearance); break;
        case ControlKind::tableHeader: {
            double x = rectF.left();
            const std::size_t n = c.sectionTitles.size();
            for (std::size_t i = 0; i < n; ++i) {
                const double w = i < c.sectionWidths.size() ? c.sectionWidths[i] : 100;
                QStyleOptionHeader o;
                fill(o, c, QRectF(x, rectF.top(), w, rectF.height()).toAlignedRect());
                o.text = toQString(c.sectionTitles[i]);
                o.section = int(i);
                o.position = n == 1 ? QStyleOptionHeader::OnlyOneSection
                             : i == 0 ? QStyleOptionHeader::Beginning
                             : i + 1 == n ? QStyleOptionHeader::End
                                          : QStyleOptionHeader::Middle;
                if (long(i) == c.sortedSection)
                    o.sortIndicator = c.sortAscending ? QStyleOptionHeader::SortDown : QStyleOptionHeader::SortUp;
                style->drawControl(QStyle::CE_Header, &o, &p);
                x += w;
            }
            if (x < rectF.right()) {
                QStyleOption o;
                fill(o, c, QRectF(x, rectF.top(), rectF.right() - x, rectF.height()).toAlignedRect());
                style->drawControl(QStyle::CE_HeaderEmptyArea, &o, &p);
            }
            break;
        }
        case ControlKind::disclosureTriangle: {
            QStyleOption o;
            fill(o, c, rect);
            o.state |= QStyle::State_Children | QStyle::State_Item;
            if (c.state == ControlStateValue::on) o.state |= QStyle::State_Open;
            style->drawPrimitive(QStyle::PE_IndicatorBranch, &o, &p);
            break;
        }
        case ControlKind::focusRing: drawFocusRing(p, rectF, appearance); break;
    }
    p.restore();
}

}  // namespace platform::qt
