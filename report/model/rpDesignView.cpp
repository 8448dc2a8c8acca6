#include "rpDesignView.h"

#include "CodePages.h"
#include "QtCanvas.h"
#include "SysUtils.h"
#include "rpBands.h"
#include "rpFrameDraw.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpReport.h"

namespace {

constexpr TColor kMarginColor = static_cast<TColor>(0xF0D8B0);  // light blue
constexpr TColor kBandColor = static_cast<TColor>(0xD8D8D8);

void outline(TCanvas& canvas, int l, int t, int r, int b, TColor color)
{
    rpFillRect(canvas, l, t, r + 1, t + 1, color);
    rpFillRect(canvas, l, b, r + 1, b + 1, color);
    rpFillRect(canvas, l, t, l + 1, b + 1, color);
    rpFillRect(canvas, r, t, r + 1, b + 1, color);
}

void drawViews(TCanvas& canvas, TrpComponent& parent, Extended zoom, Extended ox, Extended oy)
{
    for (TrpComponent* child : parent.Objects()) {
        auto* object = dynamic_cast<TrpReportComponent*>(child);
        if (!object || !object->Visible()) continue;
        object->Draw(canvas, zoom, zoom, ox, oy);
        drawViews(canvas, *object, zoom, ox, oy);
    }
}

void treeLines(const TrpComponent& object, int level, std::string& out)
{
    for (const TrpComponent* child : object.Objects()) {
        out.append(static_cast<size_t>(2 * level), ' ');
        out += child->ClassName() + " " + child->Name() + " (" + FloatToStr(child->Left()) + ", " +
               FloatToStr(child->Top()) + ", " + FloatToStr(child->Width()) + ", " + FloatToStr(child->Height()) + ")";
        if (auto* memo = dynamic_cast<const TrpCustomMemoView*>(child)) {
            out += " \"";
            out += Utf16ToUtf8(memo->Memo()->View(0));
            if (memo->Memo()->Count() > 1) out += " ...";
            out += '"';
        }
        out += '\n';
        treeLines(*child, level + 1, out);
    }
}

}  // namespace

QImage DrawPageDesign(TrpReportPage& page, Extended zoom)
{
    const int width = static_cast<int>(Round(page.PaperWidth() * rp01cm * zoom));
    const int height = static_cast<int>(Round(page.PaperHeight() * rp01cm * zoom));
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    image.fill(Qt::white);
    page.AlignChildren();
    const Extended ox = page.LeftMargin * rp01cm * zoom;
    const Extended oy = page.TopMargin * rp01cm * zoom;
    {
        TQtCanvas canvas(image);
        outline(canvas, static_cast<int>(Round(ox)), static_cast<int>(Round(oy)),
                static_cast<int>(Round(ox + page.Width() * zoom)), static_cast<int>(Round(oy + page.Height() * zoom)),
                kMarginColor);
        page.DrawBackground(canvas, zoom, zoom, 0, 0, false);
        for (TrpComponent* child : page.Objects()) {
            auto* band = dynamic_cast<TrpBand*>(child);
            if (!band) continue;
            const int l = static_cast<int>(Round(band->AbsLeft() * zoom + ox));
            const int t = static_cast<int>(Round(band->AbsTop() * zoom + oy));
            outline(canvas, l, t, static_cast<int>(Round((band->AbsLeft() + band->Width()) * zoom + ox)),
                    static_cast<int>(Round((band->AbsTop() + band->Height()) * zoom + oy)), kBandColor);
        }
        drawViews(canvas, page, zoom, ox, oy);
    }
    return image;
}

std::string ReportTreeText(TrpReport& report)
{
    std::string out = report.ClassName() + "\n";
    treeLines(report, 1, out);
    return out;
}
