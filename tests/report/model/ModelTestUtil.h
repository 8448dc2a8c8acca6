#pragma once
// Reports built in code for the model tests, report XML in and out, and
// images to look at pixels.

#include <QImage>

#include <map>
#include <memory>
#include <string>

#include "QtCanvas.h"
#include "SysUtils.h"
#include "rpBands.h"
#include "rpDataSets.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpReport.h"

namespace model_test {

// A report with a data page and an A4 page holding one master band; the
// expression evaluator knows a few values and adds small integers.
struct Sample {
    std::unique_ptr<TrpReport> report = std::make_unique<TrpReport>();
    TrpDataPage* data = nullptr;
    TrpReportPage* page = nullptr;
    TrpMasterData* band = nullptr;
    std::map<std::string, Variant> values;

    Sample()
    {
        data = new TrpDataPage(report.get());
        data->SetName("Data");
        page = new TrpReportPage(report.get());
        page->SetName("Page1");
        page->SetDefaults();
        band = new TrpMasterData(page);
        band->SetName("MasterData1");
        band->SetBounds(0, 40, 718, 30);
        report->OnCalc = [this](const std::string& e) { return calc(e); };
    }

    TrpMemoView* memo(const char* name, std::u16string_view text, Extended left = 10, Extended top = 0,
                      Extended width = 100, Extended height = 20)
    {
        auto* m = new TrpMemoView(band);
        m->SetName(name);
        m->SetBounds(left, top, width, height);
        m->SetText(text);
        return m;
    }

    Variant calc(const std::string& e)
    {
        auto it = values.find(e);
        if (it != values.end()) return it->second;
        const size_t plus = e.find('+');
        if (plus != std::string::npos)
            return Variant(StrToInt(e.substr(0, plus)) + StrToInt(e.substr(plus + 1)));
        return Variant(StrToInt(e));
    }
};

inline std::string saveXml(TrpComponent& c, bool children = true)
{
    TStringStream out;
    c.SaveToStream(out, children);
    return out.DataString();
}

inline void loadXml(TrpComponent& c, const std::string& xml)
{
    TStringStream in(xml);
    c.LoadFromStream(in);
}

// An image of the size, white, and a canvas over it.
struct Image {
    QImage image;
    std::unique_ptr<TQtCanvas> canvas;
    Image(int width, int height) : image(width, height, QImage::Format_RGB32)
    {
        image.fill(Qt::white);
        canvas = std::make_unique<TQtCanvas>(image);
    }
    // Ends the painter so the pixels can be read.
    const QImage& done()
    {
        canvas.reset();
        return image;
    }
};

inline bool isColor(const QImage& image, int x, int y, QRgb rgb)
{
    return image.valid(x, y) && (image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF);
}

}  // namespace model_test
