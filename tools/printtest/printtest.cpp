// Prints a two-page test document through the printer layer: an A4 portrait
// page and an A5 landscape page, each with the sheet's edge, its printable
// area, its sizes and a line of Chinese text.
//
//   printtest --list
//   printtest [--printer NAME] --file out.pdf
//   printtest --printer NAME
//
// Without --printer the default printer (or the virtual one) is used.

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <string>

#include "ConsoleUiServices.h"
#include "SysUtils.h"
#include "rpPrinter.h"
#include "rpRes.h"

namespace {

int Px(Extended mm) { return static_cast<int>(Round(mm * 600 / 25.4L)); }

std::string Mm(Extended v) { return FormatFloat("0.#", v); }

void DrawTestPage(TrpCustomPrinter& p, int page, int pages)
{
    TCanvas& c = p.Canvas();
    // The origin is the printable area; the sheet starts at minus the margins.
    const int left = -Px(p.LeftMargin()), top = -Px(p.TopMargin());
    const int right = Px(p.PaperWidth() - p.LeftMargin()), bottom = Px(p.PaperHeight() - p.TopMargin());
    const int areaRight = Px(p.PaperWidth() - p.LeftMargin() - p.RightMargin());
    const int areaBottom = Px(p.PaperHeight() - p.TopMargin() - p.BottomMargin());
    c.Brush()->SetStyle(bsClear);
    c.Pen()->SetColor(clSilver);
    c.Pen()->SetWidth(1);
    c.Rectangle(left, top, right, bottom);
    c.Pen()->SetColor(clBlack);
    c.Pen()->SetWidth(6);
    c.Rectangle(0, 0, areaRight, areaBottom);
    c.Pen()->SetWidth(2);
    c.MoveTo(0, 0);
    c.LineTo(areaRight, areaBottom);
    c.MoveTo(areaRight, 0);
    c.LineTo(0, areaBottom);

    c.Font()->SetName("Arial");
    c.Font()->SetSize(16);
    c.Font()->SetStyle({fsBold});
    c.TextOut(Px(10), Px(10), "Print test, page " + IntToStr(page) + " of " + IntToStr(pages));
    c.Font()->SetStyle({});
    c.Font()->SetSize(11);
    const std::string lines[] = {
        "Printer: " + p.Name() + (p.FileName().empty() ? std::string() : "  File: " + p.FileName()),
        "Paper " + IntToStr(p.PaperSize()) + ": " + Mm(p.PaperWidth()) + " x " + Mm(p.PaperHeight()) + " mm, " +
            (p.Orientation() ? "landscape" : "portrait"),
        "Unprintable margins (mm): left " + Mm(p.LeftMargin()) + ", top " + Mm(p.TopMargin()) + ", right " +
            Mm(p.RightMargin()) + ", bottom " + Mm(p.BottomMargin()),
        "Thick frame: printable area. Thin grey frame: the sheet's edge.",
    };
    int y = Px(22);
    for (const std::string& line : lines) {
        c.TextOut(Px(10), y, line);
        y += Px(7);
    }
    c.Font()->SetName("宋体");
    c.Font()->SetSize(14);
    c.TextOut(Px(10), y + Px(4), "打印测试：简易发货管理工具 第" + IntToStr(page) + "页，共" + IntToStr(pages) + "页");
    c.Font()->SetName("黑体");
    c.TextOut(Px(10), y + Px(14), "收件人：张三  电话：010-12345678  地址：北京市海淀区");
}

int Usage()
{
    std::fputs("usage: printtest --list | [--printer NAME] [--file OUT.pdf]\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Boxes become lines on stderr: a tool must not wait for a click.
    gui::ConsoleUiServices console("printtest");
    gui::ScopedUi scope(console);
    registerPrinterTexts();

    const QStringList args = app.arguments().mid(1);
    std::string printer, file;
    bool list = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--list")) list = true;
        else if (args[i] == QLatin1String("--printer") && i + 1 < args.size()) printer = args[++i].toStdString();
        else if (args[i] == QLatin1String("--file") && i + 1 < args.size()) file = args[++i].toStdString();
        else return Usage();
    }

    TrpPrinters& printers = GetPrinters();
    if (list) {
        for (int i = 0; i < printers.Count(); ++i) {
            const std::string line = (i == printers.PrinterIndex() ? "* " : "  ") + printers.Printers()[i] + "\n";
            std::fputs(line.c_str(), stdout);
        }
        return 0;
    }
    if (!printer.empty()) {
        const int index = printers.IndexOf(printer);
        if (index < 0) {
            std::fputs(("printtest: no printer named \"" + printer + "\"\n").c_str(), stderr);
            return 1;
        }
        printers.SetPrinterIndex(index);
    }
    TrpCustomPrinter* p = printers.GetCurrentPrinter();
    if (!p || !p->Initialized()) {
        std::fputs("printtest: Printer selected is not valid\n", stderr);
        return 1;
    }
    if (!printers.HasPhysicalPrinters() && file.empty()) {
        std::fputs("printtest: no printer is installed: give --file\n", stderr);
        return 1;
    }
    p->SetFileName(file);
    p->SetTitle("printtest");

    struct Sheet {
        int32_t code;
        bool landscape;
    };
    const Sheet sheets[] = {{DMPAPER_A4, false}, {11, true}};
    bool ok = false;
    if (p->BeginDoc()) {
        ok = true;
        for (int i = 0; ok && i < 2; ++i) {
            p->SetPrintParams(sheets[i].code, 0, 0, sheets[i].landscape, DMBIN_AUTO, 0, 1);
            p->BeginPage();
            DrawTestPage(*p, i + 1, 2);
            ok = p->EndPage();
        }
        ok = ok && p->EndDoc();
    }
    if (!ok) return 1;
    std::fputs(("printed 2 pages on " + p->Name() + (file.empty() ? std::string() : " to " + file) + "\n").c_str(),
               stdout);
    return 0;
}
