// The floor of bench_print: a bare QPainter program that reads texts with
// their points, frames, lines and fills from a drawing file (BareDrawing.h)
// and draws them into a QPdfWriter at 600 dpi, a page at a time. Qt alone.
//
//   bare_qpainter_pdf DRAWING OUT.pdf
//
// Prints "pages=", "seconds=" (reading and drawing, after Qt started) and
// "vmhwm_kb=", its own peak resident set.

#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>

#include "BareDrawing.h"
#include "ChildProcess.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bare_qpainter_pdf DRAWING OUT.pdf\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QElapsedTimer clock;
    clock.start();
    const int pages = bare_drawing::DrawFile(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (pages < 0) {
        std::fprintf(stderr, "bare_qpainter_pdf: %s is not a whole drawing file\n", argv[1]);
        return 1;
    }
    std::printf("pages=%d\nseconds=%.6f\nvmhwm_kb=%ld\n", pages, seconds, PeakMemoryKb());
    return 0;
}
