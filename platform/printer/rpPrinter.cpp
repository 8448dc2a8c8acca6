#include "rpPrinter.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>

#include "CupsSpooler.h"
#include "PdfPrintDocument.h"
#include "QtCanvas.h"
#include "SysUtils.h"
#include "rpPrinterUi.h"

// ---- Paper table

namespace {

// Sizes as the platform's table has them, which is not always the size the
// name suggests elsewhere (code 12 for one); names are ours and unique, so
// that a paper chosen by name is that paper.
constexpr TrpPaperInfo PaperTable[PAPERCOUNT] = {
    {1, "Letter", 2159, 2794},
    {2, "Letter Small", 2159, 2794},
    {3, "Tabloid", 2794, 4318},
    {4, "Ledger", 4318, 2794},
    {5, "Legal", 2159, 3556},
    {6, "Statement", 1397, 2159},
    {7, "Executive", 1842, 2667},
    {8, "A3", 2970, 4200},
    {9, "A4", 2100, 2970},
    {10, "A4 Small", 2100, 2970},
    {11, "A5", 1480, 2100},
    {12, "B4 (JIS)", 2500, 3540},
    {13, "B5 (JIS)", 1820, 2570},
    {14, "Folio", 2159, 3302},
    {15, "Quarto", 2150, 2750},
    {16, "10x14 in", 2540, 3556},
    {17, "11x17 in", 2794, 4318},
    {18, "Note", 2159, 2794},
    {19, "Envelope #9", 984, 2254},
    {20, "Envelope #10", 1048, 2413},
    {21, "Envelope #11", 1143, 2635},
    {22, "Envelope #12", 1207, 2794},
    {23, "Envelope #14", 1270, 2921},
    {24, "C size sheet", 4318, 5588},
    {25, "D size sheet", 5588, 8636},
    {26, "E size sheet", 8636, 11176},
    {27, "Envelope DL", 1100, 2200},
    {28, "Envelope C5", 1620, 2290},
    {29, "Envelope C3", 3240, 4580},
    {30, "Envelope C4", 2290, 3240},
    {31, "Envelope C6", 1140, 1620},
    {32, "Envelope C65", 1140, 2290},
    {33, "Envelope B4", 2500, 3530},
    {34, "Envelope B5", 1760, 2500},
    {35, "Envelope B6", 1760, 1250},
    {36, "Envelope Italy", 1100, 2300},
    {37, "Envelope Monarch", 984, 1905},
    {38, "Envelope 6 3/4", 920, 1651},
    {39, "US Std Fanfold", 3778, 2794},
    {40, "German Std Fanfold", 2159, 3048},
    {41, "German Legal Fanfold", 2159, 3302},
    {42, "B4 (ISO)", 2500, 3530},
    {43, "Japanese Postcard", 1000, 1480},
    {44, "9x11 in", 2286, 2794},
    {45, "10x11 in", 2540, 2794},
    {46, "15x11 in", 3810, 2794},
    {47, "Envelope Invite", 2200, 2200},
    {50, "Letter Extra", 2355, 3048},
    {51, "Legal Extra", 2355, 3810},
    {52, "Tabloid Extra", 2969, 4572},
    {53, "A4 Extra", 2354, 3223},
    {54, "Letter Transverse", 2101, 2794},
    {55, "A4 Transverse", 2100, 2970},
    {56, "Letter Extra Transverse", 2355, 3048},
    {57, "SuperA/A4", 2270, 3560},
    {58, "SuperB/A3", 3050, 4870},
    {59, "Letter Plus", 2159, 3223},
    {60, "A4 Plus", 2100, 3300},
    {61, "A5 Transverse", 1480, 2100},
    {62, "B5 (JIS) Transverse", 1820, 2570},
    {63, "A3 Extra", 3220, 4450},
    {64, "A5 Extra", 1740, 2350},
    {65, "B5 (ISO) Extra", 2010, 2760},
    {66, "A2", 4200, 5940},
    {67, "A3 Transverse", 2970, 4200},
    {68, "A3 Extra Transverse", 3220, 4450},
};

const TrpPaperInfo* FindPaper(int32_t Code)
{
    for (const TrpPaperInfo& p : PaperTable)
        if (p.Typ == Code) return &p;
    return nullptr;
}

// The table code of a spooler size (hundredths of a mm, portrait) within
// 1 mm; 0 when none.
int32_t PaperCodeForSize(int Width, int Length)
{
    for (const TrpPaperInfo& p : PaperTable)
        if (std::abs(Width - p.X * 10) <= 100 && std::abs(Length - p.Y * 10) <= 100) return p.Typ;
    return 0;
}

// Media trays as the platform numbers its bins.
struct SourceCode {
    const char* Keyword;
    int32_t Code;
};
constexpr SourceCode SourceCodes[] = {
    {"auto", DMBIN_AUTO}, {"top", 1},      {"bottom", 2},          {"middle", 3},
    {"manual", 4},        {"envelope", 5}, {"large-capacity", 11},
};
constexpr int32_t FirstOwnCode = 257;  // codes of our own, like driver forms
constexpr Extended VirtualMargin = 5;   // mm, where no driver tells the margins

constexpr const char* SidesKeywords[] = {"one-sided", "two-sided-long-edge", "two-sided-short-edge"};

int32_t DuplexOfSides(const std::string& Keyword)
{
    for (int i = 0; i < 3; ++i)
        if (Keyword == SidesKeywords[i]) return DMDUP_SIMPLEX + i;
    return 0;
}

// "large-capacity" -> "Large capacity", for keywords the spooler does not name.
std::string KeywordText(const std::string& Keyword)
{
    std::string s = Keyword;
    std::replace(s.begin(), s.end(), '-', ' ');
    if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 'a' + 'A');
    return s;
}

// Appends an item whose name differs from every other in the list.
void AddUnique(TrpList& List, std::string Name, const std::string& Qualifier, int32_t Code)
{
    auto taken = [&](const std::string& n) {
        return std::any_of(List.begin(), List.end(), [&](const TrpListItem& i) { return i.Name == n; });
    };
    if (taken(Name)) Name += " (" + Qualifier + ")";
    for (int n = 2; taken(Name); ++n) Name += " " + IntToStr(n);
    List.push_back({std::move(Name), Code});
}

}  // namespace

std::span<const TrpPaperInfo> PaperInfo() { return std::span<const TrpPaperInfo>(PaperTable, PAPERCOUNT); }

bool GetPaperDimensions(int32_t Code, Extended& Width, Extended& Height)
{
    const TrpPaperInfo* p = FindPaper(Code);
    if (!p) return false;
    Width = p->X / 10.0L;
    Height = p->Y / 10.0L;
    return true;
}

// ---- TrpCustomPrinter

TrpPrinterCanvas::TrpPrinterCanvas(TrpCustomPrinter& Printer)
    : TQtCanvas(PdfPrintDocument::Resolution),
      FPrinter(Printer),
      FSinkImage(std::make_unique<QImage>(1, 1, QImage::Format_RGB32)),
      FSink(std::make_unique<QPainter>(FSinkImage.get()))
{
    Detach();
}

TrpPrinterCanvas::~TrpPrinterCanvas() = default;

void TrpPrinterCanvas::Attach(QPainter& Painter)
{
    SetPainter(Painter);
    SetClipRect(std::nullopt);
}

void TrpPrinterCanvas::Detach()
{
    SetPainter(*FSink);
    SetClipRect(std::nullopt);
}

TrpCustomPrinter::TrpCustomPrinter(std::string Name, std::string Port)
    : FName(std::move(Name)),
      FPort(std::move(Port)),
      FCanvas(std::make_unique<TrpPrinterCanvas>(*this)),
      FRecorder(std::make_unique<TrpPrinterRecorder>()),
      FDocument(std::make_unique<PdfPrintDocument>())
{
    FBins.push_back({PrinterText("prDefault"), DMBIN_AUTO});
    FPapers.push_back({PrinterText("prCustom"), DMPAPER_USER});
}

TrpCustomPrinter::~TrpCustomPrinter() = default;

int TrpCustomPrinter::PaperIndex(int32_t Code) const
{
    for (std::size_t i = 0; i < FPapers.size(); ++i)
        if (FPapers[i].Code == Code) return static_cast<int>(i);
    return -1;
}

int32_t TrpCustomPrinter::PaperNameToNumber(std::string_view Name) const
{
    for (const TrpListItem& p : FPapers)
        if (p.Name == Name) return p.Code;
    return FPapers[0].Code;
}

void TrpCustomPrinter::FailBox(const std::string& Message) const { PrinterErrorBox(Message); }

void TrpCustomPrinter::ApplySheet(int32_t PaperSize, const Sheet& S, bool Orientation)
{
    FSheet = S;
    FPaperSize = PaperSize;
    FOrientation = Orientation;
    // A landscape page is the portrait sheet turned a quarter to the left:
    // its top is the sheet's left edge.
    Extended w = S.Width, h = S.Height, l = S.Left, t = S.Top, r = S.Right, b = S.Bottom;
    if (Orientation) {
        std::swap(w, h);
        const Extended pl = l, pt = t, pr = r, pb = b;
        l = pb;
        t = pl;
        r = pt;
        b = pr;
    }
    FPaperWidth = w;
    FPaperHeight = h;
    FLeftMargin = l;
    FTopMargin = t;
    FRightMargin = r;
    FBottomMargin = b;
}

bool TrpCustomPrinter::BeginDoc()
{
    if (FPrinting) Abort();
    const std::string title = DocumentTitle();
    std::string target = FFileName;
    if (target.empty()) {
        FSpoolDir = std::make_unique<QTemporaryDir>();
        if (!FSpoolDir->isValid()) {
            FailBox("Cannot create a temporary folder: " + FSpoolDir->errorString().toStdString());
            FSpoolDir.reset();
            return false;
        }
        target = FSpoolDir->filePath(QStringLiteral("job.pdf")).toStdString();
    }
    std::string error;
    if (!FDocument->open(target, title, error)) {
        FSpoolDir.reset();
        FailBox(error);
        return false;
    }
    FSpoolFile = FFileName.empty() ? target : std::string();
    FPagesBegun = 0;
    FPrinting = true;
    return true;
}

PdfPageLayout TrpCustomPrinter::PageLayout() const
{
    PdfPageLayout l;
    const bool turned = FOrientation;
    l.width = static_cast<double>(turned ? FSheet.Height : FSheet.Width);
    l.height = static_cast<double>(turned ? FSheet.Width : FSheet.Height);
    if (FPaperSize == DMPAPER_USER || FSheet.Width <= 0) {
        l.width = static_cast<double>(FPaperWidth);
        l.height = static_cast<double>(FPaperHeight);
    }
    if (l.width <= 0 || l.height <= 0) {
        // No paper chosen yet: the printer's default sheet.
        l.width = FDefPaperWidth > 0 ? static_cast<double>(FDefPaperWidth) : 210.0;
        l.height = FDefPaperHeight > 0 ? static_cast<double>(FDefPaperHeight) : 297.0;
    }
    // The painter's origin must be where the page loop expects it: the
    // reported (rounded) margins.
    auto fit = [](Extended m, double room) { return std::clamp(static_cast<double>(m), 0.0, std::max(room, 0.0)); };
    l.left = fit(FLeftMargin, l.width / 2);
    l.top = fit(FTopMargin, l.height / 2);
    l.right = fit(FRightMargin, l.width / 2);
    l.bottom = fit(FBottomMargin, l.height / 2);
    return l;
}

TCanvas& TrpCustomPrinter::Canvas() const
{
    if (FRecording) return *FRecorder;
    return *FCanvas;
}

void TrpCustomPrinter::BeginPage()
{
    if (!FPrinting) return;
    const JobChoice choice = CurrentJobChoice();
    FPageStartsJob = FPagesBegun++ == 0;
    if (FPageStartsJob) {
        FJob = choice;
    } else if (choice != FJob && !FSpoolFile.empty()) {
        FPageStartsJob = true;
        if (!NextJob(choice)) return;
    }
    FPageLayout = PageLayout();
    FInPage = true;
    // A page printed once is drawn straight into the document; copies of
    // it are kept as drawn and played once each.
    FRecording = FCopies > 1;
    if (FRecording) {
        FRecorder->Clear();
        FRecorder->SetClipRect(std::nullopt);
    } else {
        FDocument->beginPage(FPageLayout);
        FCanvas->Attach(FDocument->painter());
    }
}

bool TrpCustomPrinter::EndPage()
{
    if (!FPrinting || !FInPage) return false;
    FInPage = false;
    // Copies of a page follow it at once; the job itself is one copy.
    std::string error;
    bool ok = true;
    if (FRecording) {
        for (int32_t copy = 0; ok && copy < FCopies; ++copy) {
            FDocument->beginPage(FPageLayout);
            {
                TQtCanvas target(FDocument->painter());
                FRecorder->Replay(target);
            }
            ok = FDocument->endPage(error);
        }
        FRecorder->Clear();
    } else {
        FCanvas->Detach();
        ok = FDocument->endPage(error);
    }
    if (!ok) {
        Abort();
        FailBox(error);
    }
    return ok;
}

bool TrpCustomPrinter::NextJob(const JobChoice& Choice)
{
    std::string error;
    if (FDocument->pageCount() > 0) {
        if (!FDocument->close(error)) {
            Abort();
            FailBox(error);
            return false;
        }
        FSpooled.push_back({FSpoolFile, FJob});
        const std::string name = "job-" + IntToStr(static_cast<int64_t>(FSpooled.size()) + 1) + ".pdf";
        FSpoolFile = FSpoolDir->filePath(QString::fromStdString(name)).toStdString();
        if (!FDocument->open(FSpoolFile, DocumentTitle(), error)) {
            Abort();
            FailBox(error);
            return false;
        }
    }
    FJob = Choice;
    return true;
}

bool TrpCustomPrinter::EndDoc()
{
    if (!FPrinting) return false;
    // A document without pages sends nothing to a queue.
    const bool anyPage = FDocument->pageCount() > 0;
    std::string error;
    FCanvas->Detach();
    bool ok = FDocument->close(error);
    if (!ok) FailBox(error);
    if (ok && !FSpoolFile.empty()) {
        if (anyPage) FSpooled.push_back({FSpoolFile, FJob});
        // Nothing reaches the queue before the whole document is drawn, so
        // a cancelled run prints nothing; a job the queue refuses stops the
        // ones after it.
        for (const SpooledJob& job : FSpooled)
            if (!(ok = Deliver(job.Path, job.Job))) break;
    }
    FinishDoc();
    return ok;
}

void TrpCustomPrinter::Abort()
{
    FCanvas->Detach();
    FDocument->abort();
    FinishDoc();
}

void TrpCustomPrinter::FinishDoc()
{
    FCanvas->Detach();
    FRecording = false;
    FSpoolDir.reset();
    FSpoolFile.clear();
    FSpooled.clear();
    FPageStartsJob = false;
    FPrinting = false;
    FInPage = false;
    // Choices of the properties dialog last one document.
    FBin = -1;
    FDuplex = -1;
    DocumentClosed();
}

// ---- TrpPrinter

TrpPrinter::TrpPrinter(Spooler& Owner, std::string Name, std::string Port)
    : TrpCustomPrinter(std::move(Name), std::move(Port)), FSpooler(Owner)
{
}

TrpPrinter::~TrpPrinter() = default;

void TrpPrinter::Init()
{
    if (FInitialized) return;
    SpoolerCapabilities caps;
    try {
        caps = FSpooler.capabilities(FName);
    } catch (const ESpoolerError&) {
        // Like a printer whose settings cannot be read: stays uninitialised,
        // a later selection tries again.
        return;
    }
    FPapers.resize(1);
    FBins.resize(1);
    FMedia.clear();
    FSources.clear();

    // A queue without a driver file (a raw queue) names no papers: it takes
    // the document as drawn, so every paper of the table is offered, with
    // the stand-in printer's margins.
    if (caps.media.empty()) {
        for (const TrpPaperInfo& p : PaperTable) {
            Sheet s;
            s.Media = FSpooler.mediaKeywordForSize(p.X * 10, p.Y * 10);
            s.Width = p.X / 10.0L;
            s.Height = p.Y / 10.0L;
            s.Left = s.Top = s.Right = s.Bottom = VirtualMargin;
            FMedia.push_back({p.Typ, s});
            FPapers.push_back({p.Name, p.Typ});
        }
    }
    int32_t nextPaper = FirstOwnCode;
    for (const SpoolerMedia& m : caps.media) {
        int32_t code = PaperCodeForSize(m.width, m.length);
        std::string name;
        if (code != 0) {
            // One entry per code, as a driver lists its papers.
            if (std::any_of(FMedia.begin(), FMedia.end(), [&](const Media& x) { return x.Code == code; })) continue;
            name = FindPaper(code)->Name;
        } else {
            code = nextPaper++;
            name = m.displayName.empty() ? m.keyword : m.displayName;
        }
        Sheet s;
        s.Media = m.keyword;
        s.Width = m.width / 100.0L;
        s.Height = m.length / 100.0L;
        s.Left = m.left / 100.0L;
        s.Top = m.top / 100.0L;
        s.Right = m.right / 100.0L;
        s.Bottom = m.bottom / 100.0L;
        FMedia.push_back({code, s});
        AddUnique(FPapers, name, m.keyword, code);
    }

    int32_t nextBin = FirstOwnCode;
    FDefBin = DMBIN_AUTO;
    for (const SpoolerChoice& c : caps.sources) {
        int32_t code = 0;
        for (const SourceCode& sc : SourceCodes)
            if (c.keyword == sc.Keyword) code = sc.Code;
        if (code == 0) code = nextBin++;
        FSources.emplace_back(code, c.keyword);
        if (c.keyword == caps.defaultSource) FDefBin = code;
        if (code != DMBIN_AUTO) AddUnique(FBins, c.displayName.empty() ? KeywordText(c.keyword) : c.displayName,
                                          c.keyword, code);
    }
    FSides = caps.sides;
    FDefDuplex = DuplexOfSides(caps.defaultSides);
    if (FDefDuplex == 0) FDefDuplex = DMDUP_SIMPLEX;

    const Media* def = &FMedia.front();
    for (const Media& m : FMedia)
        if (caps.media.empty() ? m.Code == DMPAPER_A4 : m.S.Media == caps.defaultMedia) def = &m;
    FDPI = {PdfPrintDocument::Resolution, PdfPrintDocument::Resolution};
    FDefPaper = def->Code;
    FDefOrientation = false;
    ApplyRounded(def->Code, def->S, false);
    FDefPaperWidth = FPaperWidth;
    FDefPaperHeight = FPaperHeight;
    FBin = -1;
    FDuplex = -1;
    FInitialized = true;
}

void TrpPrinter::ApplyRounded(int32_t Code, const Sheet& S, bool Orientation)
{
    ApplySheet(Code, S, Orientation);
    // Whole millimetres, as a printer's device context reports them.
    const Extended w = FPaperWidth, h = FPaperHeight;
    FPaperWidth = Round(w);
    FPaperHeight = Round(h);
    const Extended l = Round(FLeftMargin), t = Round(FTopMargin);
    FRightMargin = FPaperWidth - Round(w - FLeftMargin - FRightMargin) - l;
    FBottomMargin = FPaperHeight - Round(h - FTopMargin - FBottomMargin) - t;
    FLeftMargin = l;
    FTopMargin = t;
}

bool TrpPrinter::SheetFor(int32_t PaperSize, Sheet& S) const
{
    for (const Media& m : FMedia)
        if (m.Code == PaperSize) {
            S = m.S;
            return true;
        }
    const TrpPaperInfo* p = FindPaper(PaperSize);
    if (!p) return false;
    // A table paper the queue does not list: ask for it by size, with the
    // margins of the default paper.
    S = Sheet{};
    for (const Media& m : FMedia)
        if (m.Code == FDefPaper) S = m.S;
    S.Media = FSpooler.mediaKeywordForSize(p->X * 10, p->Y * 10);
    S.Width = p->X / 10.0L;
    S.Height = p->Y / 10.0L;
    return true;
}

void TrpPrinter::SetViewParams(int32_t PaperSize, Extended PaperWidth, Extended PaperHeight, bool Orientation)
{
    Sheet s;
    if (PaperSize != DMPAPER_USER && SheetFor(PaperSize, s)) {
        ApplyRounded(PaperSize, s, Orientation);
        return;
    }
    // A custom size: A4 first, so the sheet has real margins; then the given
    // size, which lies as the page does.
    SetViewParams(DMPAPER_A4, 0, 0, Orientation);
    FSheet.Width = Orientation ? PaperHeight : PaperWidth;
    FSheet.Height = Orientation ? PaperWidth : PaperHeight;
    FSheet.Media = FSpooler.mediaKeywordForSize(static_cast<int>(Round(FSheet.Width * 100)),
                                                static_cast<int>(Round(FSheet.Height * 100)));
    FPaperSize = DMPAPER_USER;
    FPaperWidth = PaperWidth;
    FPaperHeight = PaperHeight;
}

void TrpPrinter::SetPrintParams(int32_t PaperSize, Extended PaperWidth, Extended PaperHeight, bool Orientation,
                                int32_t Bin, int32_t Duplex, int32_t Copies)
{
    SetViewParams(PaperSize, PaperWidth, PaperHeight, Orientation);
    int32_t bin = FBin != -1 ? FBin : Bin;
    if (bin == DMBIN_AUTO) bin = FDefBin;
    FJobBin = bin;
    int32_t duplex = Duplex == 0 ? FDefDuplex : (Duplex + 1 == 4 ? DMDUP_SIMPLEX : Duplex + 1);
    if (FDuplex != -1) duplex = FDuplex;
    FJobDuplex = duplex;
    FCopies = std::max<int32_t>(Copies, 1);
}

std::string TrpPrinter::SourceKeyword(int32_t BinCode) const
{
    if (BinCode == DMBIN_AUTO) return {};
    for (const auto& [code, keyword] : FSources)
        if (code == BinCode) return keyword;
    return {};
}

std::string TrpPrinter::SidesKeyword(int32_t DuplexMode) const
{
    if (DuplexMode < DMDUP_SIMPLEX || DuplexMode > DMDUP_HORIZONTAL) return {};
    const std::string keyword = SidesKeywords[DuplexMode - DMDUP_SIMPLEX];
    return std::find(FSides.begin(), FSides.end(), keyword) != FSides.end() ? keyword : std::string();
}

std::vector<int32_t> TrpPrinter::DuplexModes() const
{
    std::vector<int32_t> modes;
    for (int32_t m = DMDUP_SIMPLEX; m <= DMDUP_HORIZONTAL; ++m)
        if (!SidesKeyword(m).empty()) modes.push_back(m);
    return modes;
}

TrpCustomPrinter::JobChoice TrpPrinter::CurrentJobChoice() const
{
    return {FSheet.Media, SourceKeyword(FJobBin), SidesKeyword(FJobDuplex)};
}

void TrpPrinter::DocumentClosed()
{
    FJobBin = DMBIN_AUTO;
    FJobDuplex = 0;
}

bool TrpPrinter::Deliver(const std::string& PdfPath, const JobChoice& Job)
{
    QFile pdf(QString::fromStdString(PdfPath));
    try {
        if (!pdf.open(QIODevice::ReadOnly))
            throw ESpoolerError("Cannot read the print file: " + pdf.errorString().toStdString());
        SpoolerJobOptions options{DocumentTitle(), Job.Media, Job.Source, Job.Sides};
        std::unique_ptr<SpoolerJob> job = FSpooler.startJob(FName, options, SpoolerFormat::Pdf);
        char buffer[64 * 1024];
        for (;;) {
            const qint64 n = pdf.read(buffer, sizeof buffer);
            if (n < 0) throw ESpoolerError("Cannot read the print file: " + pdf.errorString().toStdString());
            if (n == 0) break;
            job->write(buffer, static_cast<std::size_t>(n));
        }
        job->finish();
        return true;
    } catch (const ESpoolerError& e) {
        FailBox(e.message());
        return false;
    }
}

bool TrpPrinter::BeginRawDocument()
{
    FRawJob.reset();
    try {
        FRawJob = FSpooler.startJob(FName, {DocumentTitle(), {}, {}, {}}, SpoolerFormat::Raw);
        return true;
    } catch (const ESpoolerError& e) {
        FailBox(e.message());
        return false;
    }
}

bool TrpPrinter::WriteRawData(std::string_view Data)
{
    if (!FRawJob) return false;
    try {
        FRawJob->write(Data.data(), Data.size());
        return true;
    } catch (const ESpoolerError& e) {
        FRawJob.reset();
        FailBox(e.message());
        return false;
    }
}

bool TrpPrinter::EndRawDocument()
{
    if (!FRawJob) return false;
    std::unique_ptr<SpoolerJob> job = std::move(FRawJob);
    try {
        job->finish();
        return true;
    } catch (const ESpoolerError& e) {
        FailBox(e.message());
        return false;
    }
}

// ---- TrpVirtualPrinter

TrpVirtualPrinter::TrpVirtualPrinter(std::string Name, std::string Port)
    : TrpCustomPrinter(std::move(Name), std::move(Port))
{
}

void TrpVirtualPrinter::Init()
{
    if (FInitialized) return;
    FDPI = {PdfPrintDocument::Resolution, PdfPrintDocument::Resolution};
    FDefPaper = DMPAPER_A4;
    FDefOrientation = false;
    FDefPaperWidth = 210;
    FDefPaperHeight = 297;
    for (const TrpPaperInfo& p : PaperTable) FPapers.push_back({p.Name, p.Typ});
    FBin = -1;
    FDuplex = -1;
    FInitialized = true;
}

void TrpVirtualPrinter::SetViewParams(int32_t PaperSize, Extended PaperWidth, Extended PaperHeight,
                                      bool Orientation)
{
    Sheet s;
    const TrpPaperInfo* p = PaperSize != DMPAPER_USER ? FindPaper(PaperSize) : nullptr;
    if (p) {
        s.Width = p->X / 10.0L;
        s.Height = p->Y / 10.0L;
    } else {
        s.Width = Orientation ? PaperHeight : PaperWidth;
        s.Height = Orientation ? PaperWidth : PaperHeight;
    }
    s.Left = s.Top = s.Right = s.Bottom = VirtualMargin;
    ApplySheet(p ? PaperSize : DMPAPER_USER, s, Orientation);
}

void TrpVirtualPrinter::SetPrintParams(int32_t PaperSize, Extended PaperWidth, Extended PaperHeight,
                                       bool Orientation, int32_t Bin, int32_t, int32_t Copies)
{
    SetViewParams(PaperSize, PaperWidth, PaperHeight, Orientation);
    FBin = Bin;
    FCopies = std::max<int32_t>(Copies, 1);
}

// ---- TrpPrinters

TrpPrinters::TrpPrinters(Spooler& Source) : FSpooler(Source)
{
    FillPrinters();
    if (!FItems.empty()) {
        FHasPhysicalPrinters = true;
        const int def = IndexOf(FDefaultName);
        SetPrinterIndex(def == -1 ? 0 : def);
    } else {
        FItems.push_back(std::make_unique<TrpVirtualPrinter>(PrinterText("prVirtual"), std::string()));
        FPrinters.push_back(FItems.back()->Name());
        FHasPhysicalPrinters = false;
        SetPrinterIndex(0);
    }
}

TrpPrinters::~TrpPrinters() = default;

TrpCustomPrinter* TrpPrinters::Items(int Index) const
{
    if (Index < 0) return nullptr;
    if (Index >= Count()) throw ERangeError("List index out of bounds (" + IntToStr(Index) + ")");
    return FItems[static_cast<std::size_t>(Index)].get();
}

void TrpPrinters::SetPrinterIndex(int Value)
{
    if (Value == -1) Value = IndexOf(FDefaultName);
    if (Value >= Count() || Value < -1) throw ERangeError("List index out of bounds (" + IntToStr(Value) + ")");
    FPrinterIndex = Value;
    if (Value != -1) FItems[static_cast<std::size_t>(Value)]->Init();
}

int TrpPrinters::IndexOf(std::string_view Name) const
{
    const QString wanted = QString::fromUtf8(Name.data(), static_cast<qsizetype>(Name.size()));
    for (int i = 0; i < Count(); ++i)
        if (QString::fromStdString(FItems[static_cast<std::size_t>(i)]->Name()).compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TrpPrinters::Clear()
{
    FItems.clear();
    FPrinters.clear();
    FDefaultName.clear();
    FPrinterIndex = -1;
}

void TrpPrinters::FillPrinters()
{
    Clear();
    std::vector<SpoolerQueue> queues;
    try {
        queues = FSpooler.queues();
    } catch (const ESpoolerError&) {
        return;
    }
    for (const SpoolerQueue& q : queues) {
        FItems.push_back(std::make_unique<TrpPrinter>(FSpooler, q.name, q.location));
        FPrinters.push_back(q.name);
        if (q.isDefault) FDefaultName = q.name;
    }
}

void TrpPrinters::Refresh()
{
    std::vector<SpoolerQueue> queues;
    try {
        queues = FSpooler.queues();
    } catch (const ESpoolerError&) {
        return;  // the list as it was beats an empty one
    }
    const TrpCustomPrinter* current = GetCurrentPrinter();
    const std::string currentName = current ? current->Name() : std::string();
    std::vector<std::unique_ptr<TrpCustomPrinter>> items;
    std::vector<std::string> names;
    std::string defaultName;
    for (const SpoolerQueue& q : queues) {
        auto same = std::find_if(FItems.begin(), FItems.end(), [&](const std::unique_ptr<TrpCustomPrinter>& p) {
            return p && dynamic_cast<TrpPrinter*>(p.get()) && p->Name() == q.name && p->Port() == q.location;
        });
        if (same != FItems.end()) items.push_back(std::move(*same));
        else items.push_back(std::make_unique<TrpPrinter>(FSpooler, q.name, q.location));
        names.push_back(q.name);
        if (q.isDefault) defaultName = q.name;
    }
    FHasPhysicalPrinters = !items.empty();
    if (items.empty()) {
        auto stand = std::find_if(FItems.begin(), FItems.end(), [](const std::unique_ptr<TrpCustomPrinter>& p) {
            return p && dynamic_cast<TrpVirtualPrinter*>(p.get());
        });
        items.push_back(stand != FItems.end() ? std::move(*stand)
                                              : std::make_unique<TrpVirtualPrinter>(PrinterText("prVirtual"), std::string()));
        names.push_back(items.back()->Name());
    }
    FItems = std::move(items);
    FPrinters = std::move(names);
    FDefaultName = std::move(defaultName);
    FPrinterIndex = -1;
    int index = currentName.empty() ? -1 : IndexOf(currentName);
    if (index < 0) index = IndexOf(FDefaultName);
    SetPrinterIndex(std::max(index, 0));
}

// ---- The singleton

namespace {
// The list goes before the spooler it reads from.
struct PrintersSingleton {
    std::unique_ptr<Spooler> spooler;
    std::unique_ptr<TrpPrinters> printers;
};
PrintersSingleton& Singleton()
{
    static PrintersSingleton s;
    return s;
}
}  // namespace

TrpPrinters& GetPrinters()
{
    PrintersSingleton& s = Singleton();
    if (!s.printers) {
        if (!s.spooler) s.spooler = std::make_unique<CupsSpooler>();
        s.printers = std::make_unique<TrpPrinters>(*s.spooler);
    }
    return *s.printers;
}

void SetPrintersSpooler(std::unique_ptr<Spooler> Source)
{
    PrintersSingleton& s = Singleton();
    s.printers.reset();
    s.spooler = std::move(Source);
}
