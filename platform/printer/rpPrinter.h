#pragma once
// The report library's printers: the paper table of the platform's paper
// codes, one object per print queue (or one virtual printer when there is
// none) and the process-wide list. Every printer draws a 600-dpi PDF that goes
// to its queue or, when FileName is set, to that file (PDF whatever the
// extension).

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Numbers.h"
#include "PdfPrintDocument.h"
#include "QtCanvas.h"
#include "RecordingCanvas.h"

class QTemporaryDir;
class Spooler;
class SpoolerJob;

// ---- Paper table: platform paper codes with portrait sizes in tenths of a mm.
struct TrpPaperInfo {
    int32_t Typ;
    const char* Name;  // our own name, unique in the table
    int32_t X;
    int32_t Y;
};
constexpr int32_t PAPERCOUNT = 66;
constexpr int32_t DMPAPER_A4 = 9;
constexpr int32_t DMPAPER_USER = 256;  // custom size, never in the table
constexpr int32_t DMBIN_AUTO = 7;      // the printer's default bin
// Duplex modes of the printer (not of the print options).
constexpr int32_t DMDUP_SIMPLEX = 1;
constexpr int32_t DMDUP_VERTICAL = 2;
constexpr int32_t DMDUP_HORIZONTAL = 3;

std::span<const TrpPaperInfo> PaperInfo();
// Linear search; Width and Height in millimetres, portrait.
bool GetPaperDimensions(int32_t Code, Extended& Width, Extended& Height);

// An entry of a printer's paper or bin list: its text and its code.
struct TrpListItem {
    std::string Name;
    int32_t Code;
};
using TrpList = std::vector<TrpListItem>;

struct TrpPoint {
    int32_t X;
    int32_t Y;
};

class TrpCustomPrinter;

// The printer's canvas, at 600 dpi with its origin at the printable area of
// the sheet: a page is drawn straight into the PDF document.
class TrpPrinterCanvas : public TQtCanvas {
public:
    explicit TrpPrinterCanvas(TrpCustomPrinter& Printer);
    ~TrpPrinterCanvas() override;
    bool IsPrinter() const override { return true; }
    TrpCustomPrinter& Printer() const { return FPrinter; }
    // Draws into the painter of the page begun; detached, into nothing.
    void Attach(QPainter& Painter);
    void Detach();

private:
    TrpCustomPrinter& FPrinter;
    std::unique_ptr<QImage> FSinkImage;
    std::unique_ptr<QPainter> FSink;
};

// The canvas of a page that goes onto the PDF more than once (copies the
// printer makes): kept as drawn and played once for each copy.
class TrpPrinterRecorder : public TRecordingCanvas {
public:
    TrpPrinterRecorder() : TRecordingCanvas(PdfPrintDocument::Resolution) {}
    bool IsPrinter() const override { return true; }
};

// ---- One printer.
class TrpCustomPrinter {
public:
    TrpCustomPrinter(std::string Name, std::string Port);
    virtual ~TrpCustomPrinter();
    TrpCustomPrinter(const TrpCustomPrinter&) = delete;
    TrpCustomPrinter& operator=(const TrpCustomPrinter&) = delete;

    // Reads papers, bins and defaults; does nothing once initialised.
    virtual void Init() = 0;
    // Document operations. The bool ones report failure after showing the
    // error box; a failed document leaves no output file.
    virtual void Abort();
    virtual bool BeginDoc();
    virtual void BeginPage();
    virtual bool EndPage();
    virtual bool EndDoc();
    // Raw bytes for a printer's own language, as one job.
    virtual bool BeginRawDocument() = 0;
    virtual bool WriteRawData(std::string_view Data) = 0;
    virtual bool EndRawDocument() = 0;
    // Sizes in millimetres; Orientation true = landscape.
    virtual void SetViewParams(int32_t PaperSize, Extended PaperWidth, Extended PaperHeight, bool Orientation) = 0;
    // Bin: 7 = the printer's default. Duplex in the print options' numbering:
    // 0 default, 1 vertical, 2 horizontal, 3 simplex. Copies of each page.
    virtual void SetPrintParams(int32_t PaperSize, Extended PaperWidth, Extended PaperHeight, bool Orientation,
                                int32_t Bin, int32_t Duplex, int32_t Copies) = 0;
    // The printer's own settings for the next document; true on OK.
    virtual bool ShowPropertiesDialog() = 0;

    // Index in Papers of the first paper with that code; -1 when absent.
    int PaperIndex(int32_t Code) const;
    // The code of the paper of that name; the code of item 0 (custom) when none.
    int32_t PaperNameToNumber(std::string_view Name) const;

    // Overrides from the properties dialog for the next document; -1 = none.
    int32_t Bin() const { return FBin; }
    void SetBin(int32_t Value) { FBin = Value; }
    int32_t Duplex() const { return FDuplex; }
    void SetDuplex(int32_t Value) { FDuplex = Value; }

    const TrpList& Bins() const { return FBins; }
    // Draws the current page (between BeginPage and EndPage).
    TCanvas& Canvas() const;
    const TrpList& Papers() const { return FPapers; }
    bool DefOrientation() const { return FDefOrientation; }
    int32_t DefPaper() const { return FDefPaper; }
    Extended DefPaperWidth() const { return FDefPaperWidth; }
    Extended DefPaperHeight() const { return FDefPaperHeight; }
    int32_t DefDuplex() const { return FDefDuplex; }
    int32_t DefBin() const { return FDefBin; }
    TrpPoint DPI() const { return FDPI; }
    // Output file; empty = the printer itself.
    const std::string& FileName() const { return FFileName; }
    void SetFileName(std::string Value) { FFileName = std::move(Value); }
    bool Initialized() const { return FInitialized; }
    const std::string& Name() const { return FName; }
    // Where the printer stands, as shown to users.
    const std::string& Port() const { return FPort; }
    int32_t PaperSize() const { return FPaperSize; }
    // The current sheet in the current orientation, and its unprintable margins.
    Extended PaperWidth() const { return FPaperWidth; }
    Extended PaperHeight() const { return FPaperHeight; }
    Extended LeftMargin() const { return FLeftMargin; }
    Extended TopMargin() const { return FTopMargin; }
    Extended RightMargin() const { return FRightMargin; }
    Extended BottomMargin() const { return FBottomMargin; }
    bool Orientation() const { return FOrientation; }
    bool Printing() const { return FPrinting; }
    const std::string& Title() const { return FTitle; }
    void SetTitle(std::string Value) { FTitle = std::move(Value); }
    // The page begun is the first of a job: the first of the document, or,
    // printing to a queue, the first whose paper, tray or two-sided mode
    // differs from the page before. Each job goes out as a job of its own,
    // in page order, when the document ends; a PDF file stays one file.
    bool PageStartsJob() const { return FPageStartsJob; }

protected:
    // The sheet as the queue knows it: keyword and exact size for the PDF page.
    struct Sheet {
        std::string Media;        // "media" keyword; empty for the virtual printer
        Extended Width = 0;       // mm, portrait, exact
        Extended Height = 0;
        Extended Left = 0, Top = 0, Right = 0, Bottom = 0;  // mm, portrait
    };
    // Takes a sheet as the current paper in the given orientation.
    void ApplySheet(int32_t PaperSize, const Sheet& S, bool Orientation);
    // The current sheet as the PDF page of the next page.
    PdfPageLayout PageLayout() const;
    std::string DocumentTitle() const { return FTitle.empty() ? std::string("Quorvel Document") : FTitle; }
    // Called whenever a document ends, well or not.
    virtual void DocumentClosed() {}
    // Job options: a queue takes one paper, tray and two-sided mode a job.
    struct JobChoice {
        std::string Media, Source, Sides;
        bool operator==(const JobChoice&) const = default;
    };
    // Where a finished PDF goes when FileName is empty, with the options of
    // its pages; false after the error box.
    virtual bool Deliver(const std::string& PdfPath, const JobChoice& Job) = 0;
    // The options the page about to begin asks for.
    virtual JobChoice CurrentJobChoice() const { return {}; }
    void FailBox(const std::string& Message) const;

    int32_t FBin = -1;
    int32_t FDuplex = -1;
    TrpList FBins;
    TrpList FPapers;
    bool FDefOrientation = false;
    int32_t FDefPaper = 0;
    Extended FDefPaperWidth = 0;
    Extended FDefPaperHeight = 0;
    int32_t FDefDuplex = 0;
    int32_t FDefBin = 0;
    TrpPoint FDPI{0, 0};
    std::string FFileName;
    bool FInitialized = false;
    std::string FName;
    std::string FPort;
    int32_t FPaperSize = 0;
    Extended FPaperWidth = 0;
    Extended FPaperHeight = 0;
    Extended FLeftMargin = 0;
    Extended FTopMargin = 0;
    Extended FRightMargin = 0;
    Extended FBottomMargin = 0;
    bool FOrientation = false;
    bool FPrinting = false;
    std::string FTitle;
    int32_t FCopies = 1;
    Sheet FSheet;  // the current sheet, portrait
    JobChoice FJob;

private:
    void FinishDoc();
    // The pages so far become a job waiting for the document's end, and
    // the next page starts a new one; false after the error box.
    bool NextJob(const JobChoice& Choice);

    std::unique_ptr<TrpPrinterCanvas> FCanvas;
    std::unique_ptr<TrpPrinterRecorder> FRecorder;
    bool FRecording = false;  // the page being drawn goes out more than once
    std::unique_ptr<PdfPrintDocument> FDocument;
    std::unique_ptr<QTemporaryDir> FSpoolDir;  // holds the PDF bound for a queue
    std::string FSpoolFile;  // the job being drawn
    struct SpooledJob {
        std::string Path;
        JobChoice Job;
    };
    std::vector<SpooledJob> FSpooled;  // drawn whole, sent at the end
    bool FPageStartsJob = false;
    int FPagesBegun = 0;
    PdfPageLayout FPageLayout;  // of the page being drawn
    bool FInPage = false;
};

// A print queue of the spooler.
class TrpPrinter : public TrpCustomPrinter {
public:
    TrpPrinter(Spooler& Owner, std::string Name, std::string Port);
    ~TrpPrinter() override;

    void Init() override;
    bool BeginRawDocument() override;
    bool WriteRawData(std::string_view Data) override;
    bool EndRawDocument() override;
    void SetViewParams(int32_t PaperSize, Extended PaperWidth, Extended PaperHeight, bool Orientation) override;
    void SetPrintParams(int32_t PaperSize, Extended PaperWidth, Extended PaperHeight, bool Orientation, int32_t Bin,
                        int32_t Duplex, int32_t Copies) override;
    bool ShowPropertiesDialog() override;

    // The queue's keywords of a bin code and a duplex mode; empty when the
    // queue has none.
    std::string SourceKeyword(int32_t BinCode) const;
    std::string SidesKeyword(int32_t DuplexMode) const;
    // Duplex modes the queue offers (1 simplex, 2 vertical, 3 horizontal).
    std::vector<int32_t> DuplexModes() const;

protected:
    bool Deliver(const std::string& PdfPath, const JobChoice& Job) override;
    JobChoice CurrentJobChoice() const override;
    void DocumentClosed() override;

private:
    void ApplyRounded(int32_t Code, const Sheet& S, bool Orientation);
    struct Media {
        int32_t Code;
        Sheet S;
    };
    bool SheetFor(int32_t PaperSize, Sheet& S) const;

    Spooler& FSpooler;
    std::vector<Media> FMedia;  // parallel to Papers without the custom entry
    std::vector<std::pair<int32_t, std::string>> FSources;  // bin code, keyword
    std::vector<std::string> FSides;
    int32_t FJobBin = DMBIN_AUTO;
    int32_t FJobDuplex = 0;
    std::unique_ptr<SpoolerJob> FRawJob;
};

// Stands in when no queue exists: 600 dpi, the table's papers, 5 mm margins.
// Prints only to a file.
class TrpVirtualPrinter : public TrpCustomPrinter {
public:
    TrpVirtualPrinter(std::string Name, std::string Port);

    void Init() override;
    bool BeginRawDocument() override { return true; }
    bool WriteRawData(std::string_view) override { return true; }
    bool EndRawDocument() override { return true; }
    void SetViewParams(int32_t PaperSize, Extended PaperWidth, Extended PaperHeight, bool Orientation) override;
    void SetPrintParams(int32_t PaperSize, Extended PaperWidth, Extended PaperHeight, bool Orientation, int32_t Bin,
                        int32_t Duplex, int32_t Copies) override;
    bool ShowPropertiesDialog() override { return false; }

protected:
    bool Deliver(const std::string&, const JobChoice&) override { return true; }
};

// ---- The process-wide list.
class TrpPrinters {
public:
    // Reads the queues; with none, one virtual printer stands in.
    explicit TrpPrinters(Spooler& Source);
    ~TrpPrinters();
    TrpPrinters(const TrpPrinters&) = delete;
    TrpPrinters& operator=(const TrpPrinters&) = delete;

    // nullptr for a negative index; ERangeError above the count.
    TrpCustomPrinter* Items(int Index) const;
    int Count() const { return static_cast<int>(FItems.size()); }
    TrpCustomPrinter* GetCurrentPrinter() const { return Items(FPrinterIndex); }
    int PrinterIndex() const { return FPrinterIndex; }
    // -1 selects the default printer; the selected printer is initialised.
    void SetPrinterIndex(int Value);
    // Ignores case.
    int IndexOf(std::string_view Name) const;
    const std::vector<std::string>& Printers() const { return FPrinters; }
    bool HasPhysicalPrinters() const { return FHasPhysicalPrinters; }
    const std::string& DefaultPrinterName() const { return FDefaultName; }
    void Clear();
    void FillPrinters();
    // Reads the queues again (the print dialog does as it opens): a queue
    // still there keeps its printer object and what was chosen on it, new
    // queues are added and gone ones dropped; without any, the virtual
    // printer stands in. The current printer stays current while it exists,
    // else the default printer is selected.
    void Refresh();

private:
    Spooler& FSpooler;
    std::vector<std::unique_ptr<TrpCustomPrinter>> FItems;
    std::vector<std::string> FPrinters;
    std::string FDefaultName;
    int FPrinterIndex = -1;
    bool FHasPhysicalPrinters = false;
};

// The singleton, created on first use over the CUPS spooler.
TrpPrinters& GetPrinters();
// Replaces the spooler behind the singleton (a test's fake); the list is read
// again on the next GetPrinters. nullptr goes back to CUPS.
void SetPrintersSpooler(std::unique_ptr<Spooler> Source);
