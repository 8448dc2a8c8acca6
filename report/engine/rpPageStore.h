#pragma once
// The element store behind the prepared pages. A report of 10,000 pages
// holds millions of printed objects, so an element is not a tree node but a
// few bytes in its page's buffer: its interned name, its attribute text and
// its children, then an end mark. Pages can be parked in a temporary file
// and read back; a page parked before and not changed since keeps its place
// there, so browsing back and forth does not grow the file.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Streams.h"

class TrpXMLItem;

class TrpPageStore {
public:
    TrpPageStore();
    ~TrpPageStore();
    TrpPageStore(const TrpPageStore&) = delete;
    TrpPageStore& operator=(const TrpPageStore&) = delete;

    // ---- names: element and page names are stored once
    uint32_t Intern(std::string_view name);
    const std::string& NameOf(uint32_t id) const { return names_[id]; }
    // The id of a name that was interned, or UINT32_MAX.
    uint32_t Find(std::string_view name) const;
    uint32_t NameCount() const { return static_cast<uint32_t>(names_.size()); }

    // ---- pages
    int Count() const { return static_cast<int>(pages_.size()); }
    // Empty page named so, appended or inserted before `at`.
    void AddPage(uint32_t name);
    void InsertPage(int at, uint32_t name, std::string text);
    void DeletePage(int index);
    // Pages, names and the temporary file go.
    void Clear();
    uint32_t PageName(int index) const { return pages_[index].name; }
    void SetPageName(int index, uint32_t name) { pages_[index].name = name; }
    // The page element's own attributes (whole pages carry them).
    const std::string& PageText(int index) const;
    void SetPageText(int index, std::string text);
    bool Unloadable(int index) const { return pages_[index].unloadable; }
    // A page that may not be parked is read back first.
    void SetUnloadable(int index, bool value);
    // Gives back the slack of a page that is filled.
    void Trim(int index);

    // ---- writing elements at the end of a page, nested by Begin/End
    void BeginElement(int page, uint32_t name, std::string_view text);
    void EndElement(int page);

    // Where a page's end stands, to go back there when adding fails.
    struct Mark {
        size_t bytes = 0;
        size_t tops = 0;
        int depth = 0;
    };
    Mark End(int page);
    void Rollback(int page, const Mark& mark);

    // ---- top-level elements of a page ("objects" of the page)
    int TopCount(int page)
    {
        EnsureLoaded(page);
        return static_cast<int>(pages_[page].tops.size());
    }
    struct Element {
        uint32_t name = 0;
        std::string_view text;
    };
    // Views into the page's buffer, valid until it changes.
    Element Top(int page, int index);
    // Drops the top-level elements from `from` on.
    void Truncate(int page, int from);

    // Walks a page's elements in document order.
    class Reader {
    public:
        Reader(TrpPageStore& store, int page);
        // The next element of the current level, false at its end; Enter
        // goes into the children of the element just read (Leave must
        // follow when they are done).
        bool Next(Element& element);
        void Enter()
        {
            ++depth_;
            pendingChildren_ = false;
        }
        void Leave();

    private:
        const std::string& blob_;
        size_t pos_ = 0;
        int depth_ = 0;
        bool pendingChildren_ = false;
    };

    // ---- the XML form: the page element's children, and back
    void ToXML(int page, TrpXMLItem* pageItem);
    // The children of an item appended to a page's end.
    void AppendXML(int page, const TrpXMLItem* parent);
    // Top-level elements from `from` on moved under `target` as XML.
    void CutToXML(int page, int from, TrpXMLItem* target);

    // ---- parking
    std::string TempDir;
    bool Loaded(int index) const { return pages_[index].loaded; }
    // Parks an Unloadable, loaded page; a copy in the file that still
    // matches is kept instead of written again.
    void Park(int index);
    void EnsureLoaded(int index);
    // Size of the temporary file, 0 without one.
    int64_t TempSize() const;

    // Bytes held by the loaded page buffers and page records.
    size_t MemoryUsed() const;

private:
    // A report of 100,000 pages keeps as many records: a parked page holds
    // neither its bytes nor where its top-level elements start (found
    // again when it is read back), and its own attributes only when it has
    // some.
    struct Page {
        std::string blob;
        std::vector<uint32_t> tops;
        std::unique_ptr<std::string> text;
        int64_t fileOffset = -1;
        uint32_t fileSize = 0;
        uint32_t name = 0;
        int depth = 0;
        bool loaded = true;
        bool unloadable = false;
        bool changed = true;
    };

    Page& writable(int index);
    void encodeChildren(Page& page, const TrpXMLItem* parent, int depth);

    std::vector<std::string> names_;
    std::unordered_map<std::string, uint32_t> ids_;
    // A deque: growing it moves no record, so its peak is its size.
    std::deque<Page> pages_;
    std::unique_ptr<TStream> temp_;
};
