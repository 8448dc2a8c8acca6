#include "rpPreviewPages.h"

#include <algorithm>
#include <climits>

#include "SysUtils.h"
#include "rpBands.h"
#include "rpMemo.h"
#include "rpPageReuse.h"
#include "rpPages.h"
#include "rpPicture.h"
#include "rpPrinter.h"
#include "rpReport.h"
#include "rpUnicodeUtils.h"
#include "rpUtilsText.h"
#include "rpXMLSerializer.h"

namespace {

// The store's own bytes per element besides its name and text, as the
// memory counter charges them.
constexpr int64_t kElementSize = 4;
constexpr int kWholePage = INT_MIN;

std::string_view withoutBlank(std::string_view text)
{
    if (!text.empty() && text[0] == ' ') text.remove_prefix(1);
    return text;
}

// An attribute as a number, else the fallback.
Extended numberOr(const TrpXMLItem& item, std::string_view name, Extended fallback)
{
    const std::string value = item.Prop(name);
    return value.empty() ? fallback : StrToFloatAnySep(value);
}

int intOr(const TrpXMLItem& item, std::string_view name, int fallback)
{
    const std::string value = item.Prop(name);
    return value.empty() ? fallback : StrToIntDef(value, fallback);
}

// An outline entry or an anchor, its attributes in this order.
TrpXMLItem* addEntry(TrpXMLItem* parent, std::string_view text, int page, std::string_view top)
{
    TrpXMLItem* item = parent->Add();
    item->SetName("item");
    item->SetProp("text", text);
    item->SetProp("page", IntToStr(page));
    item->SetProp("top", top);
    return item;
}

// Frees an element of the document, detached from its parent first.
void discard(TrpXMLItem* item)
{
    TrpXMLItem trash;
    trash.AddItem(item);
}

// Writes the object's attributes with its picture left out: pictures of
// prepared pages come from the picture cache.
std::string objToXMLWithoutPicture(TrpXMLSerializer& writer, TrpComponent* object)
{
    auto* picture = dynamic_cast<TrpPictureView*>(object);
    if (!picture) return writer.ObjToXML(object);
    // The mark comes back also when writing throws.
    struct Restore {
        TrpPictureView& view;
        const bool mark = view.PictureMark;
        ~Restore() { view.PictureMark = mark; }
    } restore{*picture};
    picture->PictureMark = false;
    return writer.ObjToXML(object);
}

// The names of an element's attributes, blank-separated, in their order.
void attributeNames(std::string_view text, std::string& out)
{
    out.clear();
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') ++i;
        const size_t eq = text.find('=', i);
        if (eq == std::string_view::npos) return;
        if (!out.empty()) out += ' ';
        out.append(text.substr(i, eq - i));
        const size_t open = text.find('"', eq + 1);
        if (open == std::string_view::npos) return;
        const size_t close = text.find('"', open + 1);
        if (close == std::string_view::npos) return;
        i = close + 1;
    }
}

TPoint paperPixels(const TrpReportPage& page)
{
    return {static_cast<int>(Round(page.PaperWidth() * rp01cm)), static_cast<int>(Round(page.PaperHeight() * rp01cm))};
}

}  // namespace

// ---------------------------------------------------------------- TrpDictionary

void TrpDictionary::Clear()
{
    entries_.clear();
    index_.clear();
}

int TrpDictionary::Add(std::string uniqueName, std::string sourceName, TrpComponent* object, std::string fullText)
{
    const int index = Count();
    index_[uniqueName] = index;
    entries_.push_back({std::move(uniqueName), std::move(sourceName), object, std::move(fullText), nullptr});
    return index;
}

int TrpDictionary::IndexOf(std::string_view uniqueName) const
{
    auto it = index_.find(std::string(uniqueName));
    return it == index_.end() ? -1 : it->second;
}

TrpComponent* TrpDictionary::GetObject(std::string_view uniqueName) const
{
    const int i = IndexOf(uniqueName);
    return i < 0 ? nullptr : entries_[i].Object;
}

std::string TrpDictionary::GetSourceName(std::string_view uniqueName) const
{
    const int i = IndexOf(uniqueName);
    return i < 0 ? std::string() : entries_[i].SourceName;
}

std::vector<int> TrpDictionary::Sorted() const
{
    std::vector<int> order(entries_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::sort(order.begin(), order.end(), [this](int a, int b) {
        return CompareText(entries_[a].UniqueName, entries_[b].UniqueName) < 0;
    });
    return order;
}

// ---------------------------------------------------------------- TrpOutline

TrpOutline::TrpOutline(TrpPreviewPages* pages) : TrpCustomOutline(pages), store_(pages) {}

TrpXMLItem* TrpOutline::Root()
{
    return store_->rootItem("outline");
}

TrpXMLItem* TrpOutline::Current()
{
    return current_ ? current_ : Root();
}

void TrpOutline::Forget(const TrpXMLItem* item)
{
    if (!item) current_ = nullptr;
    for (const TrpXMLItem* p = current_; p; p = p->Parent())
        if (p == item) current_ = nullptr;
}

int TrpOutline::GetCount()
{
    return Current()->Count();
}

void TrpOutline::AddItem(const std::string& text, int top)
{
    current_ = addEntry(Current(), text, store_->CurPage, IntToStr(top));
}

void TrpOutline::LevelDown(int index)
{
    current_ = Current()->Items(index);
}

void TrpOutline::LevelRoot()
{
    current_ = nullptr;
}

void TrpOutline::LevelUp()
{
    if (!current_) return;
    current_ = current_->Parent() == Root() ? nullptr : current_->Parent();
}

void TrpOutline::GetItem(int index, std::string& text, int& page, int& top)
{
    const TrpXMLItem* item = Current()->Items(index);
    text = item->Prop("text");
    page = intOr(*item, "page", page);
    top = intOr(*item, "top", top);
}

void TrpOutline::ShiftItems(TrpXMLItem* entry, int newTop)
{
    if (!entry || !entry->Parent()) return;
    TrpXMLItem* parent = entry->Parent();
    const int next = parent->IndexOf(entry) + 1;
    if (next <= 0 || next >= parent->Count()) return;
    TrpXMLItem* sibling = parent->Items(next);
    const int delta = newTop - intOr(*sibling, "top", 0);
    auto shift = [delta](auto& self, TrpXMLItem* item) -> void {
        item->SetProp("page", IntToStr(intOr(*item, "page", 0) + 1));
        item->SetProp("top", IntToStr(intOr(*item, "top", 0) + delta));
        for (int i = 0; i < item->Count(); ++i) self(self, item->Items(i));
    };
    shift(shift, sibling);
}

TrpCustomOutline::Position TrpOutline::GetPosition()
{
    TrpXMLItem* current = Current();
    return {current, current->Count()};
}

void TrpOutline::ShiftItemsAfter(const Position& position, int newTop, int newPage)
{
    TrpXMLItem* parent = position.parent;
    if (!parent || position.count < 0 || position.count >= parent->Count()) return;
    const int delta = newTop - intOr(*parent->Items(position.count), "top", 0);
    auto shift = [&](auto& self, TrpXMLItem* item) -> void {
        item->SetProp("page", IntToStr(newPage));
        item->SetProp("top", IntToStr(intOr(*item, "top", 0) + delta));
        for (int i = 0; i < item->Count(); ++i) self(self, item->Items(i));
    };
    for (int i = position.count; i < parent->Count(); ++i) shift(shift, parent->Items(i));
}

TrpXMLItem* TrpOutline::GetLastItem()
{
    TrpXMLItem* current = Current();
    return current->Count() ? current->Items(current->Count() - 1) : nullptr;
}

// ---------------------------------------------------------------- TrpPreviewPages

TrpPreviewPages::TrpPreviewPages(TrpReport* report) : TrpCustomPreviewPages(report)
{
    doc_.Root()->SetName("preparedreport");
    SetOutline(std::make_unique<TrpOutline>(this));
}

TrpPreviewPages::~TrpPreviewPages()
{
    cache_.clear();
    dropSpares();
}

bool TrpPreviewPages::running() const
{
    return engine_ && engine_->Running();
}

bool TrpPreviewPages::firstOfTwoPasses() const
{
    return engine_ && engine_->DoublePass() && !engine_->FinalPass();
}

bool TrpPreviewPages::useFileCache() const
{
    return Report() && Report()->EngineOptions()->UseFileCache;
}

TrpXMLItem* TrpPreviewPages::rootItem(std::string_view name)
{
    return doc_.Root()->FindItem(name);
}

TrpXMLItem* TrpPreviewPages::findRootItem(std::string_view name) const
{
    const int i = doc_.Root()->Find(name);
    return i < 0 ? nullptr : doc_.Root()->Items(i);
}

// ---- dictionary and links

int TrpPreviewPages::entryOf(const TrpComponent* object) const
{
    auto it = links_.find(object);
    if (it == links_.end()) return -1;
    // An object freed and another made at its place is not the same.
    return it->second.handle == object->Handle() ? it->second.entry : -1;
}

int TrpPreviewPages::entryOfName(uint32_t name) const
{
    return name < entryOfName_.size() ? entryOfName_[name] : -1;
}

void TrpPreviewPages::link(const TrpComponent* object, int entry)
{
    links_[object] = Link{object->Handle(), entry};
}

std::string TrpPreviewPages::uniqueName(const std::string& base) const
{
    auto exists = [&](int n) { return dictionary_.IndexOf(base + IntToStr(n)) >= 0; };
    int n = 10000;
    while (n >= 2 && !exists(n)) n /= 2;
    // Names are made densely from 1, so counting up from the halving point
    // may start after the run of names known to exist.
    int& dense = dense_[base];
    while (exists(dense + 1)) ++dense;
    if (n <= dense) n = dense + 1;
    while (exists(n)) ++n;
    return base + IntToStr(n);
}

int TrpPreviewPages::addDictionaryEntry(const std::string& name, std::string sourceName, TrpComponent* source)
{
    TrpXMLSerializer writer;
    writer.Owner = source;
    std::string full = source->ComponentStyle() & rpcsWriteAllProperties ? source->ClassName()
                                                                          : objToXMLWithoutPicture(writer, source);
    const int entry = dictionary_.Add(name, std::move(sourceName), source, std::move(full));
    const uint32_t id = store_.Intern(name);
    if (entryOfName_.size() <= id) entryOfName_.resize(id + 1, -1);
    entryOfName_[id] = entry;
    if (entryName_.size() <= static_cast<size_t>(entry)) entryName_.resize(entry + 1);
    entryName_[entry] = id;
    link(source, entry);
    return entry;
}

void TrpPreviewPages::registerSourceObject(TrpComponent* reportObject, TrpComponent* copy, int pageIndex)
{
    std::string base = "b";
    if (!dynamic_cast<TrpBand*>(copy)) {
        const std::string name = copy->BaseName();
        base = name.empty() ? std::string("o") : LowerCase(name.substr(0, 1));
    }
    const std::string name = uniqueName(base);
    if (auto* memo = dynamic_cast<TrpCustomMemoView*>(copy)) memo->SetDataSet(nullptr);
    const int entry = addDictionaryEntry(name, "Page" + IntToStr(pageIndex) + "." + copy->Name(), copy);
    if (!reportObject) return;
    link(reportObject, entry);
    // The picture cache starts empty with every run: a picture stored by an
    // earlier run is stored again when first printed.
    if (auto* picture = dynamic_cast<TrpPictureView*>(reportObject)) picture->PictureChanged = true;
}

std::string TrpPreviewPages::UniqueNameOf(const TrpComponent* object) const
{
    const int entry = object ? entryOf(object) : -1;
    return entry < 0 ? std::string() : dictionary_[entry].UniqueName;
}

TrpComponent* TrpPreviewPages::SourceOf(const TrpComponent* object) const
{
    const int entry = object ? entryOf(object) : -1;
    return entry < 0 ? nullptr : dictionary_[entry].Object;
}

// ---- source pages

void TrpPreviewPages::AddSourcePage(TrpReportPage* page)
{
    if (!page) return;
    const int index = SourcePageCount();
    std::unique_ptr<TrpReportPage> copy(static_cast<TrpReportPage*>(page->ClassType()->Create(nullptr)));
    copy->AssignAll(page);
    copy->SetName(page->Name());
    const std::vector<TrpComponent*> originals = page->GetAllObjects();
    const std::vector<TrpComponent*> copies = copy->GetAllObjects();
    for (size_t i = 0; i < copies.size(); ++i) {
        TrpComponent* original = i < originals.size() && SameText(originals[i]->Name(), copies[i]->Name())
                                     ? originals[i]
                                     : page->FindObject(copies[i]->Name());
        registerSourceObject(original, copies[i], index);
    }
    TrpXMLSerializer writer;
    writer.Owner = copy.get();
    Source source;
    source.text = writer.ObjToXML(copy.get());
    source.reportPage = page;
    source.page = std::move(copy);
    sources_.push_back(std::move(source));
}

void TrpPreviewPages::AddToSourcePage(TrpComponent* object)
{
    if (!object || sources_.empty()) return;
    TrpReportPage* page = sources_.back().page.get();
    TrpXMLSerializer serializer;
    serializer.Owner = page;
    auto* copy = dynamic_cast<TrpComponent*>(serializer.XMLToObj(page, serializer.ObjToXML(object), true));
    if (!copy) return;
    copy->SetName(object->Name());
    registerSourceObject(object, copy, SourcePageCount() - 1);
}

void TrpPreviewPages::LinkCopy(const TrpComponent* copy, const TrpComponent* object)
{
    if (const int entry = object ? entryOf(object) : -1; entry >= 0) link(copy, entry);
}

void TrpPreviewPages::UnlinkCopy(const TrpComponent* copy)
{
    links_.erase(copy);
}

TrpReportPage* TrpPreviewPages::SourceReportPage(int index) const
{
    return sources_[index].reportPage.get();
}

int TrpPreviewPages::SourcePageIndex(const TrpReportPage* reportPage) const
{
    for (size_t i = 0; i < sources_.size(); ++i)
        if (reportPage && sources_[i].reportPage.get() == reportPage) return static_cast<int>(i);
    return -1;
}

int TrpPreviewPages::sourceIndexOfPage(int page) const
{
    const std::string& name = store_.NameOf(store_.PageName(page));
    int32_t index;
    if (name.size() > 4 && name.compare(0, 4, "page") == 0 && TryStrToInt(std::string_view(name).substr(4), index))
        return index;
    return kWholePage;
}

std::string TrpPreviewPages::PageName(int index) const
{
    return index < 0 || index >= store_.Count() ? std::string() : store_.NameOf(store_.PageName(index));
}

// ---- filling

int TrpPreviewPages::GetCount()
{
    return store_.Count();
}

void TrpPreviewPages::Clear()
{
    RestoreReportSettings();
    fromFile_ = false;
    clearCache();
    dropSpares();
    sources_.clear();
    doc_.Clear();
    doc_.Root()->SetName("preparedreport");
    static_cast<TrpOutline*>(Outline())->Forget(nullptr);
    dictionary_.Clear();
    links_.clear();
    entryOfName_.clear();
    entryName_.clear();
    dense_.clear();
    store_.Clear();
    pictures_.Clear();
    CurPage = -1;
    AddPageMode = 0;
    memCounter_ = 0;
    // A new preparation numbers its pages from 1 again.
    logicalCounter_ = 0;
    savedPage_ = -1;
    savedCount_ = 0;
    savedOutlineCount_ = 0;
}

void TrpPreviewPages::Initialize()
{
    const std::string tempDir = Report() ? Report()->EngineOptions()->TempDir : std::string();
    pictures_.SetUseFileCache(PictureCacheInFile);
    pictures_.SetCachePath(tempDir);
    doc_.TempDir = tempDir;
    store_.TempDir = tempDir;
    if (OnProgressStart) OnProgressStart(0);
}

void TrpPreviewPages::AddPage(TrpReportPage* page)
{
    rootItem("previewpages");
    const int count = store_.Count();
    if (useFileCache() && memCounter_ > int64_t(Report()->EngineOptions()->MaxMemSize) * 1048576) {
        for (int i = count - 2; i >= 0 && store_.Loaded(i); --i) store_.Park(i);
        memCounter_ = 0;
    }
    ++CurPage;
    if (CurPage >= 0 && CurPage < count && AddPageMode != 1) return;
    if (count > 0) store_.Trim(count - 1);
    const int source = SourcePageIndex(page);
    store_.AddPage(store_.Intern("page" + IntToStr(source)));
    const int index = store_.Count() - 1;
    if (source < 0 && page) {
        // Not a copied page: its own attributes, so that it is built with
        // its paper.
        TrpXMLSerializer writer;
        writer.Owner = page;
        store_.SetPageText(index, writer.WriteProps(page));
    }
    if (store_.Count() > 2) store_.SetUnloadable(index, true);
    if (OnProgress) OnProgress(0, index + 1);
    AddPageMode = 0;
    CurPage = index;
    AddLogicalPageNumber();
}

void TrpPreviewPages::addObject(int page, TrpComponent* object, std::string& buffer)
{
    if (!object->Visible() || !(object->ComponentStyle() & rpcsPageContent)) return;
    const int entry = entryOf(object);
    uint32_t name;
    buffer.clear();
    if (entry >= 0) {
        name = entryName_[entry];
        TrpComponent* source = dictionary_[entry].Object;
        if (firstOfTwoPasses())
            object->TrpComponent::DiffTo(buffer, source);
        else if (object->ComponentStyle() & rpcsWriteAllProperties)
            buffer = object->DiffAll(source);
        else
            object->DiffTo(buffer, source);
    } else {
        name = store_.Intern(object->ClassName());
        buffer = object->DiffAll(nullptr);
    }
    const std::string_view text = withoutBlank(buffer);
    store_.BeginElement(page, name, text);
    memCounter_ += static_cast<int64_t>(store_.NameOf(name).size() + text.size()) + kElementSize + 16;
    for (TrpComponent* child : object->Objects()) addObject(page, child, buffer);
    store_.EndElement(page);
}

void TrpPreviewPages::AddObject(TrpComponent* object)
{
    if (!object) return;
    if (CurPage < 0 || CurPage >= store_.Count()) throw EInvalidOperation("No prepared page to add objects to");
    std::string buffer;
    const TrpPageStore::Mark end = store_.End(CurPage);
    try {
        addObject(CurPage, object, buffer);
    } catch (...) {
        // No half-written object stays on the page.
        store_.Rollback(CurPage, end);
        throw;
    }
    dropCached(CurPage);
}

int TrpPreviewPages::CurrentObjectCount()
{
    return CurPage >= 0 && CurPage < store_.Count() ? store_.TopCount(CurPage) : 0;
}

std::string TrpPreviewPages::ObjectText(int page, int index)
{
    return std::string(store_.Top(page, index).text);
}

std::string TrpPreviewPages::ObjectName(int page, int index)
{
    return store_.NameOf(store_.Top(page, index).name);
}

void TrpPreviewPages::AddPicture(TrpPictureView* view)
{
    if (view) pictures_.AddPicture(*view);
}

// ---- positions, cut and paste

void TrpPreviewPages::SavePosition()
{
    savedPage_ = store_.Count() - 1;
    savedCount_ = savedPage_ >= 0 ? store_.TopCount(savedPage_) : 0;
    const TrpXMLItem* outline = findRootItem("outline");
    savedOutlineCount_ = outline ? outline->Count() : 0;
    EndLogicalPageGroup();
}

void TrpPreviewPages::RestorePosition()
{
    auto* outline = static_cast<TrpOutline*>(Outline());
    if (savedPage_ >= 0) {
        if (savedPage_ < store_.Count()) store_.Truncate(savedPage_, savedCount_);
        while (store_.Count() > savedPage_ + 1) store_.DeletePage(store_.Count() - 1);
        if (TrpXMLItem* root = findRootItem("outline")) {
            while (root->Count() > savedOutlineCount_) {
                TrpXMLItem* item = root->Items(root->Count() - 1);
                outline->Forget(item);
                discard(item);
            }
        }
    } else {
        outline->Forget(nullptr);
        TrpXMLItem* root = doc_.Root();
        for (int i = root->Count() - 1; i >= 0; --i) {
            TrpXMLItem* item = root->Items(i);
            if (SameText(item->Name(), "anchors") || SameText(item->Name(), "logicalpagenumbers")) continue;
            discard(item);
        }
        while (store_.Count() > 0) store_.DeletePage(store_.Count() - 1);
    }
    EndLogicalPageGroup();
    CurPage = savedPage_;
    memCounter_ = 0;
    clearCache();
}

void TrpPreviewPages::CutObjects(int from)
{
    if (CurPage < 0 || CurPage >= store_.Count()) return;
    TrpXMLItem* cut = rootItem("cutted");
    cut->Clear();
    store_.CutToXML(CurPage, from, cut);
    dropCached(CurPage);
}

void TrpPreviewPages::PasteObjects(Extended x, Extended y)
{
    TrpXMLItem* cut = findRootItem("cutted");
    if (!cut) return;
    if (cut->Count() > 0 && CurPage >= 0 && CurPage < store_.Count()) {
        // An attribute left out means the value of the source object (or of
        // the object's own full properties).
        auto position = [this](const TrpXMLItem& item, std::string_view shortName, std::string_view longName,
                               bool left) {
            const int entry = entryOfName(store_.Find(item.Name()));
            const TrpComponent* source = entry >= 0 ? dictionary_[entry].Object : nullptr;
            const Extended own = source ? (left ? source->Left() : source->Top()) : 0;
            return numberOr(item, shortName, numberOr(item, longName, own));
        };
        const TrpXMLItem& first = *cut->Items(0);
        const Extended dx = x - position(first, "l", "Left", true);
        const Extended dy = y - position(first, "t", "Top", false);
        for (int i = 0; i < cut->Count(); ++i) {
            TrpXMLItem* item = cut->Items(i);
            const Extended l = i == 0 ? x : position(*item, "l", "Left", true) + dx;
            const Extended t = i == 0 ? y : position(*item, "t", "Top", false) + dy;
            item->SetProp("l", FloatToStr(l));
            item->SetProp("t", FloatToStr(t));
        }
        store_.AppendXML(CurPage, cut);
        dropCached(CurPage);
    }
    discard(cut);
}

bool TrpPreviewPages::BandExists(TrpBand* band)
{
    if (!band || CurPage < 0 || CurPage >= store_.Count()) return false;
    const TrpComponent* source = SourceOf(band);
    const bool byClass = dynamic_cast<TrpPageFooter*>(band) || dynamic_cast<TrpColumnFooter*>(band);
    for (int i = 0; i < store_.TopCount(CurPage); ++i) {
        const int entry = entryOfName(store_.Top(CurPage, i).name);
        if (entry < 0) continue;
        const TrpComponent* object = dictionary_[entry].Object;
        if (source && object == source) return true;
        if (byClass && object->ClassType() == band->ClassType()) return true;
    }
    return false;
}

Extended TrpPreviewPages::BottomOfBands(Extended columnLeft)
{
    if (CurPage < 0 || CurPage >= store_.Count()) return 0;
    Extended bottom = 0;
    TrpXMLItem item;
    for (int i = 0; i < store_.TopCount(CurPage); ++i) {
        const TrpPageStore::Element e = store_.Top(CurPage, i);
        const int entry = entryOfName(e.name);
        if (entry < 0) continue;
        const auto* band = dynamic_cast<const TrpBand*>(dictionary_[entry].Object);
        if (!band || dynamic_cast<const TrpPageFooter*>(band) || dynamic_cast<const TrpOverlay*>(band)) continue;
        item.SetText(std::string(e.text));
        const Extended l = numberOr(item, "l", band->Left());
        if (columnLeft != 0 && std::fabs(columnLeft - l) > 0.001L && !dynamic_cast<const TrpPageHeader*>(band) &&
            !dynamic_cast<const TrpReportTitle*>(band))
            continue;
        bottom = std::max(bottom, numberOr(item, "t", band->Top()) + numberOr(item, "h", band->Height()));
    }
    return bottom;
}

// ---- logical page numbers

void TrpPreviewPages::AddLogicalPageNumber()
{
    if (engine_ && engine_->DoublePass() && engine_->FinalPass()) return;
    ++logicalCounter_;
    TrpXMLItem* item = rootItem("logicalpagenumbers")->Add();
    item->SetName("page");
    item->SetProp("n", IntToStr(logicalCounter_));
}

void TrpPreviewPages::EndLogicalPageGroup()
{
    if (engine_ && engine_->DoublePass() && engine_->FinalPass()) return;
    if (TrpXMLItem* numbers = findRootItem("logicalpagenumbers")) {
        for (int i = std::min(CurPage, numbers->Count() - 1); i > savedPage_ && i >= 0; --i) {
            TrpXMLItem* item = numbers->Items(i);
            item->SetProp("t", IntToStr(logicalCounter_));
            if (item->Prop("n") == "1") break;
        }
    }
    logicalCounter_ = 0;
}

int TrpPreviewPages::LogicalPageNo()
{
    const TrpXMLItem* numbers = findRootItem("logicalpagenumbers");
    if (numbers && CurPage >= 0 && CurPage < numbers->Count())
        return StrToIntDef(numbers->Items(CurPage)->Prop("n"), 0);
    return CurPage - FirstPageOffset + 1;
}

int TrpPreviewPages::LogicalTotalPages()
{
    const TrpXMLItem* numbers = findRootItem("logicalpagenumbers");
    if (numbers && CurPage >= 0 && CurPage < numbers->Count())
        return StrToIntDef(numbers->Items(CurPage)->Prop("t"), 0);
    return (engine_ ? engine_->TotalPages() : 0) - FirstPageOffset;
}

// ---- anchors

void TrpPreviewPages::AddAnchor(const std::string& text)
{
    addEntry(rootItem("anchors"), text, CurPage, IntToStr(Round(engine_ ? engine_->CurY() : 0)));
}

bool TrpPreviewPages::FindAnchor(const std::string& text, int& page, int& top)
{
    const TrpXMLItem* anchors = findRootItem("anchors");
    for (int i = anchors ? anchors->Count() - 1 : -1; i >= 0; --i) {
        const TrpXMLItem* item = anchors->Items(i);
        if (!SameText(item->Prop("text"), text)) continue;
        page = intOr(*item, "page", 0);
        top = intOr(*item, "top", 0);
        return true;
    }
    return false;
}

int TrpPreviewPages::GetAnchorPage(const std::string& text)
{
    int page = 0, top = 0;
    return FindAnchor(text, page, top) ? page + 1 : 1;
}

int TrpPreviewPages::LastAnchorIndex()
{
    const TrpXMLItem* anchors = findRootItem("anchors");
    return (anchors ? anchors->Count() : 0) - 1;
}

void TrpPreviewPages::ShiftAnchors(int from, int newTop)
{
    ShiftAnchorsTo(from, newTop, -1);
}

// -1: each to the page after its own.
void TrpPreviewPages::ShiftAnchorsTo(int from, int newTop, int newPage)
{
    TrpXMLItem* anchors = findRootItem("anchors");
    if (!anchors || from + 1 < 0 || from + 1 >= anchors->Count()) return;
    const int delta = newTop - intOr(*anchors->Items(from + 1), "top", 0);
    for (int i = from + 1; i < anchors->Count(); ++i) {
        TrpXMLItem* item = anchors->Items(i);
        item->SetProp("page", IntToStr(newPage >= 0 ? newPage : intOr(*item, "page", 0) + 1));
        item->SetProp("top", IntToStr(intOr(*item, "top", 0) + delta));
    }
}

// ---- reading

std::shared_ptr<TrpReportPage> TrpPreviewPages::GetPage(int index)
{
    return cachedPage(index, true);
}

std::shared_ptr<TrpReportPage> TrpPreviewPages::PageToDraw(int index)
{
    return cachedPage(index, false);
}

std::shared_ptr<TrpReportPage> TrpPreviewPages::cachedPage(int index, bool lend)
{
    if (index < 0 || index >= store_.Count()) return nullptr;
    if (!running()) {
        for (auto it = cache_.begin(); it != cache_.end(); ++it) {
            if (it->index != index) continue;
            cache_.splice(cache_.begin(), cache_, it);
            cache_.front().lent |= lend;
            return cache_.front().page;
        }
    }
    const bool parked = !store_.Loaded(index);
    Built built = buildPage(index);
    // Read back for building only: it goes again at once, to the place it
    // had in the file.
    if (parked) store_.Park(index);
    dropCached(index);
    std::shared_ptr<TrpReportPage> page = built.page;
    cache_.push_front({index, std::move(built.page), std::move(built.text), std::move(built.objects), lend});
    while (cache_.size() > 1 && static_cast<int>(cache_.size()) > PagesInCache) {
        const int oldest = cache_.back().index;
        if (useFileCache() && store_.Unloadable(oldest)) store_.Park(oldest);
        CachedPage gone = std::move(cache_.back());
        cache_.pop_back();
        recycle(std::move(gone));
    }
    return page;
}

TrpPreviewPages::Built TrpPreviewPages::buildPage(int index)
{
    Built built;
    TrpXMLSerializer serializer;
    serializer.OldFormat = doc_.OldVersion;
    const int source = sourceIndexOfPage(index);
    std::string& text = built.text;
    if (source == kWholePage) {
        // A page stored whole: its class, its properties, its objects named
        // by class. Read element by element, as the serializer's name
        // lookup would merge the many objects of one name a page holds.
        const std::string& name = store_.NameOf(store_.PageName(index));
        const TClass* cls = GetClass(name);
        if (!cls || cls->IsAbstract() || !cls->InheritsFrom(TrpReportPage::StaticClass()))
            cls = TrpReportPage::StaticClass();
        text = std::string(cls->ClassName()) + " " + store_.PageText(index);
    } else if (source >= 0 && source < SourcePageCount()) {
        // The page's own paper, when it grew with its content, overrides.
        text = sources_[source].text + " " + store_.PageText(index);
    } else {
        // A page of a report page that was never copied.
        text = "TrpReportPage " + store_.PageText(index);
    }
    if (sparePage_ && sparePageText_ == text) {
        // The page before, built from the same text and emptied.
        built.page = std::move(sparePage_);
        serializer.Owner = built.page.get();
    } else {
        built.page.reset(static_cast<TrpReportPage*>(serializer.XMLToObj(nullptr, text, true)));
    }
    TrpReportPage* page = built.page.get();
    if (source >= 0 && source < SourcePageCount()) page->TComponent::SetName(sources_[source].page->Name());
    TrpPageStore::Reader reader(store_, index);
    std::string buffer;
    buildObjects(serializer, reader, page, buffer, built.objects);
    page->AlignChildren();
    return built;
}

void TrpPreviewPages::buildObjects(TrpXMLSerializer& serializer, TrpPageStore::Reader& reader, TrpComponent* parent,
                                   std::string& buffer, std::vector<BuiltObject>& built)
{
    static const TClass* const component = TrpComponent::StaticClass();
    static const TClass* const pictureView = TrpPictureView::StaticClass();
    TrpPageStore::Element e;
    std::string names;
    while (reader.Next(e)) {
        const int entry = entryOfName(e.name);
        const TrpDictionary::Entry* d = entry >= 0 ? &dictionary_[entry] : nullptr;
        if (d) attributeNames(e.text, names);
        TrpComponent* spare = d ? takeSpare(entry, names) : nullptr;
        if (spare) {
            spare->SetParent(parent);
            serializer.ReadMoreProps(spare, e.text, true);
            built.push_back({spare, entry, names, PageReuseOf(*spare)});
            ++reused_;
            reader.Enter();
            buildObjects(serializer, reader, spare, buffer, built);
            reader.Leave();
            continue;
        }
        TComponent* made = nullptr;
        if (d && prepared(*d)) {
            made = serializer.XMLToObj(parent, *d->Prepared, e.text, true);
        } else {
            if (d) {
                buffer.assign(d->FullText);
            } else {
                // No source: the element is named by its class.
                const TClass* cls = GetClass(store_.NameOf(e.name));
                if (!cls || cls->IsAbstract() || !cls->InheritsFrom(component)) continue;
                buffer.assign(store_.NameOf(e.name));
            }
            buffer += ' ';
            buffer.append(e.text);
            made = serializer.XMLToObj(parent, buffer, true);
        }
        // Classes are checked through the registry: casts that walk the
        // type tree cost more than the rest of building an object.
        if (!made || !made->ClassType()->InheritsFrom(component)) {
            delete made;
            continue;
        }
        auto* object = static_cast<TrpComponent*>(made);
        if (d) {
            // The page has no report, so there is no other object to clash with.
            object->TComponent::SetName(d->Object->Name());
            if (object->ClassType()->InheritsFrom(pictureView)) {
                auto* picture = static_cast<TrpPictureView*>(object);
                if (!picture->Graphic()) pictures_.GetPicture(*picture);
            }
            built.push_back({object, entry, names, PageReuseOf(*object)});
        }
        reader.Enter();
        buildObjects(serializer, reader, object, buffer, built);
        reader.Leave();
    }
}

TrpComponent* TrpPreviewPages::takeSpare(int entry, std::string_view names)
{
    if (entry < 0 || static_cast<size_t>(entry) >= spares_.size()) return nullptr;
    // An entry's elements come in a few sets of names, most in one.
    for (Spares& spares : spares_[static_cast<size_t>(entry)]) {
        if (spares.names != names) continue;
        if (spares.objects.empty()) return nullptr;
        TrpComponent* object = spares.objects.back();
        spares.objects.pop_back();
        return object;
    }
    return nullptr;
}

void TrpPreviewPages::recycle(CachedPage&& cached)
{
    // A page lent out may have been changed; one still held is in use.
    if (cached.lent || !cached.page || cached.page.use_count() != 1) return;
    dropSpares();
    spares_.resize(static_cast<size_t>(dictionary_.Count()));
    // Children before their parents, each the last of its parent's: the
    // first of a page's comes out of its list first.
    for (auto it = cached.objects.rbegin(); it != cached.objects.rend(); ++it) {
        TrpComponent* object = it->object;
        object->SetParent(nullptr);
        // Children that were not kept go with their parent.
        if (it->entry >= dictionary_.Count() || !object->Objects().empty() || !it->reuse) {
            delete object;
            continue;
        }
        if (it->reuse->putBack) it->reuse->putBack(*object, *dictionary_[it->entry].Object);
        std::vector<Spares>& lists = spares_[static_cast<size_t>(it->entry)];
        auto list = std::find_if(lists.begin(), lists.end(), [&](const Spares& l) { return l.names == it->names; });
        if (list == lists.end()) list = lists.insert(lists.end(), Spares{std::move(it->names), {}});
        list->objects.push_back(object);
    }
    if (cached.page->Objects().empty()) {
        sparePage_ = std::move(cached.page);
        sparePageText_ = std::move(cached.text);
    }
}

void TrpPreviewPages::dropSpares()
{
    for (auto& lists : spares_)
        for (auto& list : lists)
            for (TrpComponent* object : list.objects) delete object;
    spares_.clear();
    sparePage_.reset();
    sparePageText_.clear();
}

int TrpPreviewPages::SpareObjectCount() const noexcept
{
    size_t n = 0;
    for (const auto& lists : spares_)
        for (const auto& list : lists) n += list.objects.size();
    return static_cast<int>(n);
}

void TrpPreviewPages::DoneDrawing(int index)
{
    if (running()) return;
    for (auto it = cache_.begin(); it != cache_.end(); ++it) {
        if (it->index != index) continue;
        if (it->lent) return;
        dropCached(index);
        return;
    }
}

bool TrpPreviewPages::prepared(const TrpDictionary::Entry& entry)
{
    // Every printed object starts from its source's attributes: they are
    // read once, against an object of the class that is made and dropped.
    if (!entry.Prepared) {
        auto props = std::make_shared<TrpPreparedProps>();
        try {
            TrpXMLSerializer serializer;
            serializer.OldFormat = doc_.OldVersion;
            std::unique_ptr<TComponent> sample(serializer.XMLToObj(nullptr, entry.FullText, true));
            if (sample) *props = serializer.PrepareProps(sample.get(), entry.FullText);
        } catch (const std::exception&) {
            // Built from the text each time, which reports what fails.
        }
        entry.Prepared = std::move(props);
    }
    return entry.Prepared->Ready();
}

TPoint TrpPreviewPages::GetPageSize(int index)
{
    if (index < 0 || index >= store_.Count()) return {};
    const int source = sourceIndexOfPage(index);
    if (source < 0 || source >= SourcePageCount()) {
        const std::shared_ptr<TrpReportPage> page = PageToDraw(index);
        return page ? paperPixels(*page) : TPoint{};
    }
    TPoint size = paperPixels(*sources_[source].page);
    if (!store_.PageText(index).empty()) {
        TrpXMLItem own;
        own.SetText(store_.PageText(index));
        // As the page reads its paper: millimetres to 8 decimals.
        auto pixels = [&](std::string_view name, int fallback) {
            const std::string mm = own.Prop(name);
            if (mm.empty()) return fallback;
            const Extended value = static_cast<Extended>(Round(StrToFloatAnySep(mm) * 1e8L)) / 1e8L;
            return static_cast<int>(Round(value * rp01cm));
        };
        size = {pixels("PaperWidth", size.X), pixels("PaperHeight", size.Y)};
    }
    return size;
}

void TrpPreviewPages::SetPageSize(int index, Extended width, Extended height)
{
    if (index < 0 || index >= store_.Count()) return;
    TrpXMLItem own;
    own.SetText(store_.PageText(index));
    own.SetProp("PaperWidth", FloatToStr(width / rp01cm));
    own.SetProp("PaperHeight", FloatToStr(height / rp01cm));
    own.SetProp("PaperSize", IntToStr(DMPAPER_USER));
    store_.SetPageText(index, own.Text());
    dropCached(index);
}

void TrpPreviewPages::dropCached(int index)
{
    for (auto it = cache_.begin(); it != cache_.end(); ++it) {
        if (it->index != index) continue;
        CachedPage gone = std::move(*it);
        cache_.erase(it);
        recycle(std::move(gone));
        return;
    }
}

void TrpPreviewPages::clearCache()
{
    while (!cache_.empty()) {
        CachedPage gone = std::move(cache_.front());
        cache_.pop_front();
        recycle(std::move(gone));
    }
}

void TrpPreviewPages::Finish()
{
    clearCache();
    for (Source& source : sources_) source.reportPage = nullptr;
    if (OnProgressStop) OnProgressStop(0);
}

// ---- editing

void TrpPreviewPages::AddEmptyPage(int index)
{
    const int count = store_.Count();
    if (count == 0) return;
    index = std::clamp(index, 0, count);
    const int like = std::min(index, count - 1);
    store_.InsertPage(index, store_.PageName(like), store_.PageText(like));
    clearCache();
}

void TrpPreviewPages::DeletePage(int index)
{
    if (store_.Count() <= 1 || index < 0 || index >= store_.Count()) return;
    store_.DeletePage(index);
    if (CurPage >= store_.Count()) CurPage = store_.Count() - 1;
    clearCache();
}

void TrpPreviewPages::appendWholePage(std::string_view name, const TrpXMLItem& element)
{
    store_.AddPage(store_.Intern(name));
    const int index = store_.Count() - 1;
    store_.SetPageText(index, element.Text());
    store_.AppendXML(index, &element);
}

void TrpPreviewPages::ModifyPage(int index, TrpReportPage* page)
{
    if (!page || index < 0 || index >= store_.Count()) return;
    TrpXMLItem element;
    TrpXMLSerializer writer;
    writer.WriteRootComponent(page, true, false, &element);
    store_.Truncate(index, 0);
    store_.SetPageName(index, store_.Intern(element.Name()));
    store_.SetPageText(index, element.Text());
    store_.AppendXML(index, &element);
    store_.SetUnloadable(index, false);
    clearCache();
}

void TrpPreviewPages::AppendReport(TrpReport* report)
{
    auto* other = report ? dynamic_cast<TrpPreviewPages*>(report->PreviewPages()) : nullptr;
    if (!other) return;
    const int before = store_.Count();
    const int count = other->GetCount();
    for (int i = 0; i < count; ++i) {
        const std::shared_ptr<TrpReportPage> page = other->GetPage(i);
        if (!page) continue;
        TrpXMLItem element;
        TrpXMLSerializer writer;
        writer.WriteRootComponent(page.get(), true, false, &element);
        appendWholePage(element.Name(), element);
    }
    if (const TrpXMLItem* anchors = other->findRootItem("anchors")) {
        const int n = anchors->Count();
        TrpXMLItem* target = rootItem("anchors");
        for (int i = 0; i < n; ++i) {
            const TrpXMLItem* from = anchors->Items(i);
            addEntry(target, from->Prop("text"), intOr(*from, "page", 0) + before, from->Prop("top"));
        }
    }
    if (const TrpXMLItem* outline = other->findRootItem("outline")) {
        auto copy = [before](auto& self, const TrpXMLItem* from, TrpXMLItem* to, int n) -> void {
            for (int i = 0; i < n; ++i) {
                const TrpXMLItem* entry = from->Items(i);
                TrpXMLItem* item =
                    addEntry(to, entry->Prop("text"), intOr(*entry, "page", 0) + before, entry->Prop("top"));
                self(self, entry, item, entry->Count());
            }
        };
        // Counted first: the other report may be this one.
        copy(copy, outline, static_cast<TrpOutline*>(Outline())->Current(), outline->Count());
    }
    clearCache();
}
