#pragma once
// The report library's table of user-visible texts, looked up by key, with
// its toolbar image lists and help topics. The Chinese string table is
// loaded into it at start-up (LoadReportStringTable).

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Streams.h"
#include "rpUnicodeUtils.h"

class TrpImageList;

class TrpResources {
public:
    TrpResources();
    ~TrpResources();
    TrpResources(const TrpResources&) = delete;
    TrpResources& operator=(const TrpResources&) = delete;

    // The text of a key in the platform's 8-bit code page (UTF-8); the key
    // itself when absent. One leading "!" is dropped.
    std::string Get(std::string_view key) const;
    // The same as UTF-16, for the Qt side.
    std::u16string GetW(std::string_view key) const;
    // Replaces the text of an existing key or adds the key.
    void Add(std::string_view name, std::u16string_view text);
    // Reads a "Resources" table; any other root adds nothing. The script
    // messages are refreshed in every case.
    void AddXML(std::string_view xml);
    void LoadFromStream(TStream& stream);
    // The table's "CodePage" attribute, kept as information.
    int CodePage() const { return codePage_; }
    int Count() const { return values_.Count(); }

    // Filled on first use from the packed resources; a resource the program
    // does not carry gives an empty list.
    TrpImageList& GetPreviewButtonImages();
    TrpImageList& GetDesignerImages();
    TrpImageList& GetDesignerDisabledImages();
    TrpImageList& GetObjectImages();
    TrpImageList& GetWizardImages();

    // The "*.rpl" files of the program's folder, capitalised, sorted.
    const std::vector<std::string>& Languages() const { return languages_; }
    void ScanLanguages(const std::string& folder);

    std::string HelpFile = "RPUser.chm";
    // The help text for an asking form's class: folder + file + "::/" topic.
    std::string HelpTarget(std::string_view className) const;
    // Computes the target and hands it to the help viewer, of which this
    // platform has none: nothing is shown.
    void Help(std::string_view className) const;

private:
    struct NoCase {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    void unpackStrip(const char* resource, TrpImageList& first, TrpImageList* second);

    std::map<std::string, int, NoCase> names_;
    TWideStrings values_;
    int codePage_ = 0;
    std::vector<std::string> languages_;
    std::unique_ptr<TrpImageList> previewImages_;
    std::unique_ptr<TrpImageList> designerImages_;
    std::unique_ptr<TrpImageList> designerDisabledImages_;
    std::unique_ptr<TrpImageList> objectImages_;
    std::unique_ptr<TrpImageList> wizardImages_;
};

TrpResources& GetResources();
// Get of the id's decimal text.
std::string GetResString(int id);

// The script engine's 17 messages that the table replaces.
extern const std::array<const char*, 17> kScriptMessageKeys;
// Where the refreshed script messages go (the script engine's message
// table); without a sink the refresh only looks the texts up.
using TrpScriptMessageSink = std::function<void(const std::string& key, const std::string& text)>;
void SetScriptMessageSink(TrpScriptMessageSink sink);
void UpdateSCResources();
// The sink into the script engine's own table: compile and run-time errors
// of scripts then read in the string table's language.
void ApplyScriptMessage(const std::string& key, const std::string& text);

// Loads the embedded Chinese string table into GetResources(), once.
void LoadReportStringTable();
// Loads the string table and lends its lookup to the printer layer below,
// for programs that show printers without the rest of the report library.
void registerPrinterTexts();
// Start-up: loads the string table, hands its script messages to the
// script engine and lends its lookup to the printer layer below.
void registerReportResources();
