// The prepared pages as text: what tests and bug reports compare.
#include "SysUtils.h"
#include "rpBands.h"
#include "rpEngine.h"
#include "rpMemo.h"
#include "rpPages.h"

namespace {

std::string oneLine(std::string text)
{
    // A text object's lines end in a line break; the last one is no text.
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
    text = StringReplace(text, "\r\n", "\n", rfReplaceAll);
    text = StringReplace(text, "\r", "\n", rfReplaceAll);
    return StringReplace(text, "\n", "\\n", rfReplaceAll);
}

std::string nameOf(const TrpComponent& object)
{
    return object.Name().empty() ? object.ClassName() : object.Name();
}

std::string place(const TrpComponent& object)
{
    return "@" + FloatToStr(object.Left()) + "," + FloatToStr(object.Top()) + " " + FloatToStr(object.Width()) + "x" +
           FloatToStr(object.Height()) + " ";
}

void dumpObject(const TrpComponent& object, const std::string& indent, bool geometry, std::string& out)
{
    if (const auto* band = dynamic_cast<const TrpBand*>(&object)) {
        out += indent + "band " + nameOf(*band) + " " + FloatToStr(band->Left()) + " " + FloatToStr(band->Top()) + " " +
               FloatToStr(band->Height()) + "\n";
    } else if (const auto* memo = dynamic_cast<const TrpCustomMemoView*>(&object)) {
        out += indent + "memo " + nameOf(*memo) + " " + (geometry ? place(*memo) : std::string()) +
               oneLine(memo->AnsiText()) + "\n";
    } else if (geometry && dynamic_cast<const TrpView*>(&object)) {
        out += indent + "view " + nameOf(object) + " " + object.ClassName() + " " + place(object) + "\n";
    }
    for (const TrpComponent* child : object.Objects()) dumpObject(*child, indent + "  ", geometry, out);
}

// The outline's entries under the current one, each with its page (from
// 1) and top, indented by level.
void dumpOutline(TrpCustomOutline& outline, const std::string& indent, std::string& out)
{
    for (int i = 0; i < outline.GetCount(); ++i) {
        std::string text;
        int page = 0, top = 0;
        outline.GetItem(i, text, page, top);
        out += indent + "outline " + oneLine(text) + " " + IntToStr(page + 1) + " " + IntToStr(top) + "\n";
        outline.LevelDown(i);
        dumpOutline(outline, indent + "  ", out);
        outline.LevelUp();
    }
}

}  // namespace

std::string DumpPreparedPages(TrpCustomPreviewPages& pages, bool geometry)
{
    std::string out;
    const int count = pages.GetCount();
    for (int i = 0; i < count; ++i) {
        const TPoint size = pages.GetPageSize(i);
        out += "page " + IntToStr(i + 1) + " " + IntToStr(size.X) + "x" + IntToStr(size.Y) + "\n";
        if (const std::shared_ptr<TrpReportPage> page = pages.GetPage(i))
            for (const TrpComponent* object : page->Objects()) dumpObject(*object, "  ", geometry, out);
    }
    if (TrpCustomOutline* outline = pages.Outline()) {
        outline->LevelRoot();
        dumpOutline(*outline, "", out);
        outline->LevelRoot();
    }
    return out;
}
