#pragma once
// The pictures of a prepared report, each stored once per print in its own
// encoded format (PNG, JPEG, BMP, icon, metafile bytes) one after another in
// large segments, memory or temporary files. A picture view on a prepared
// page keeps only its 1-based image index.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TPicture;
class TStream;
class TrpPictureView;
class TrpXMLItem;

class TrpPictureCache {
public:
    TrpPictureCache();
    ~TrpPictureCache();
    TrpPictureCache(const TrpPictureCache&) = delete;
    TrpPictureCache& operator=(const TrpPictureCache&) = delete;

    // Frees the segments (temporary files go with them).
    void Clear();
    int Count() const { return static_cast<int>(records_.size()); }

    // The new image index, 0 for no picture or an empty one. A picture
    // that cannot be written leaves the cache as it was and raises.
    int AddPicture(const TPicture* picture);
    // Sets the view's ImageIndex.
    void AddPicture(TrpPictureView& view);
    // Loads picture `index`; an index outside 1..Count clears the picture.
    void GetPicture(int index, TPicture& picture);
    // By the view's ImageIndex.
    void GetPicture(TrpPictureView& view);
    // The stored bytes of picture `index`, empty outside 1..Count.
    std::string PictureBytes(int index);

    // "item" children with the bytes as upper-case hex in "stream".
    void SaveToXML(TrpXMLItem* element);
    void LoadFromXML(const TrpXMLItem* element);

    // Both take effect only while the cache holds no segment.
    bool UseFileCache() const { return useFileCache_; }
    void SetUseFileCache(bool value);
    // Folder of the temporary files; empty for the system's.
    const std::string& CachePath() const { return cachePath_; }
    void SetCachePath(const std::string& value);

    // A new segment starts once the last one has reached this size.
    int64_t SegmentLimit = 0x6AAAAAAA;
    int SegmentCount() const { return static_cast<int>(segments_.size()); }

private:
    struct Record {
        int segment;
        int64_t offset;
    };
    // Starts a record at the end of the last segment (a new one when
    // needed) and returns that segment.
    TStream& startRecord();
    int64_t lengthOf(int index);

    std::vector<Record> records_;
    std::vector<std::unique_ptr<TStream>> segments_;
    bool useFileCache_ = false;
    std::string cachePath_;
};
