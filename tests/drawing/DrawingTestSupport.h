#pragma once
// Recording helpers for the drawing tests: the operations a routine records,
// with or without the path data, and the paths themselves with the colour
// and transform they were drawn with.

#include <regex>
#include <string>
#include <vector>

#include "platform/appkit/GraphicsContext.h"

namespace drawingtest {

using Lines = std::vector<std::string>;

// The operations with each path's elements left out ("fill path nonZero"),
// for tests about what is drawn in which order rather than the artwork.
inline Lines withoutPathData(const Lines& lines) {
    static const std::regex pathData(R"(path M[^a-z]* (nonZero|evenOdd|width))");
    Lines out;
    for (const auto& l : lines) out.push_back(std::regex_replace(l, pathData, "path $1"));
    return out;
}

// A recording that also keeps every filled or stroked path with the colour
// in force and the transform, so tests can measure the artwork.
class CapturingContext : public platform::RecordingGraphicsContext {
public:
    struct Drawn {
        bool stroked = false;
        platform::BezierPath path;
        platform::Color color;
        platform::AffineTransform transform;
        // The path's bounds in the canvas's (untransformed) coordinates.
        platform::Rect bounds() const { return path.bounds(); }
    };

    std::vector<Drawn> drawn;

    void setFillColor(const platform::Color& c) override {
        fill_ = c;
        RecordingGraphicsContext::setFillColor(c);
    }
    void setStrokeColor(const platform::Color& c) override {
        stroke_ = c;
        RecordingGraphicsContext::setStrokeColor(c);
    }
    void fillPath(const platform::BezierPath& p) override {
        drawn.push_back({false, p, fill_, currentTransform()});
        RecordingGraphicsContext::fillPath(p);
    }
    void strokePath(const platform::BezierPath& p) override {
        drawn.push_back({true, p, stroke_, currentTransform()});
        RecordingGraphicsContext::strokePath(p);
    }

private:
    platform::Color fill_, stroke_;
};

}  // namespace drawingtest
