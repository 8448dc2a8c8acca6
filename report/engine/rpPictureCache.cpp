#include "rpPictureCache.h"

#include "Pictures.h"
#include "rpPicture.h"
#include "rpUtilsStreams.h"
#include "rpXML.h"

TrpPictureCache::TrpPictureCache() = default;
TrpPictureCache::~TrpPictureCache() = default;

void TrpPictureCache::Clear()
{
    segments_.clear();
    records_.clear();
}

void TrpPictureCache::SetUseFileCache(bool value)
{
    if (segments_.empty()) useFileCache_ = value;
}

void TrpPictureCache::SetCachePath(const std::string& value)
{
    if (segments_.empty()) cachePath_ = value;
}

TStream& TrpPictureCache::startRecord()
{
    if (segments_.empty() || segments_.back()->Size() >= SegmentLimit) {
        if (useFileCache_)
            segments_.push_back(OpenUnlinkedTempFile(cachePath_));
        else
            segments_.push_back(std::make_unique<TMemoryStream>());
    }
    TStream& segment = *segments_.back();
    records_.push_back({static_cast<int>(segments_.size()) - 1, segment.Seek(0, soEnd)});
    return segment;
}

int TrpPictureCache::AddPicture(const TPicture* picture)
{
    const TGraphic* graphic = picture ? picture->Graphic() : nullptr;
    if (!graphic || graphic->Empty()) return 0;
    TStream& segment = startRecord();
    const int64_t start = records_.back().offset;
    try {
        graphic->SaveToStream(segment);
    } catch (...) {
        records_.pop_back();
        segment.SetSize(start);
        throw;
    }
    return Count();
}

void TrpPictureCache::AddPicture(TrpPictureView& view)
{
    view.ImageIndex = AddPicture(view.Picture());
}

int64_t TrpPictureCache::lengthOf(int index)
{
    const Record& r = records_[index - 1];
    if (index < Count() && records_[index].segment == r.segment) return records_[index].offset - r.offset;
    return segments_[r.segment]->Size() - r.offset;
}

std::string TrpPictureCache::PictureBytes(int index)
{
    if (index < 1 || index > Count()) return std::string();
    const Record& r = records_[index - 1];
    TStream& segment = *segments_[r.segment];
    std::string bytes(static_cast<size_t>(lengthOf(index)), '\0');
    segment.Seek(r.offset, soBeginning);
    segment.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return bytes;
}

void TrpPictureCache::GetPicture(int index, TPicture& picture)
{
    if (index < 1 || index > Count()) {
        picture.SetGraphic(nullptr);
        return;
    }
    TStringStream slice(PictureBytes(index));
    // A picture that does not decode (a damaged file from elsewhere) is
    // drawn as none; the page keeps everything else.
    try {
        LoadPictureFromStream(picture, slice, true);
    } catch (const std::exception&) {
        picture.SetGraphic(nullptr);
    }
}

void TrpPictureCache::GetPicture(TrpPictureView& view)
{
    GetPicture(view.ImageIndex, *view.Picture());
}

void TrpPictureCache::SaveToXML(TrpXMLItem* element)
{
    element->Clear();
    for (int i = 1; i <= Count(); ++i) {
        TStringStream bytes(PictureBytes(i));
        TrpXMLItem* item = element->Add();
        item->SetName("item");
        item->SetProp("stream", StreamToHex(bytes));
    }
}

void TrpPictureCache::LoadFromXML(const TrpXMLItem* element)
{
    Clear();
    TMemoryStream bytes;
    for (int i = 0; i < element->Count(); ++i) {
        // Text that is not hexadecimal keeps the picture's index, with no
        // bytes behind it.
        try {
            HexToStream(element->Items(i)->Prop("stream"), bytes);
        } catch (const EConvertError&) {
            bytes.Clear();
        }
        TStream& segment = startRecord();
        segment.WriteBuffer(bytes.Memory(), bytes.Size());
    }
}
