// Writes a picture of the whole X screen, or of one window (by its X window
// id), to a PNG file, as a person would see it.
//
//   frelt_screenshot OUT.png [WINDOW]

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: frelt_screenshot OUT.png [WINDOW]\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 1;
    const WId window = argc > 2 ? WId(std::strtoull(argv[2], nullptr, 10)) : 0;
    const QPixmap shot = screen->grabWindow(window);
    return shot.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
