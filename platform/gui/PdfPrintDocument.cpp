#include "PdfPrintDocument.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <exception>

#include "SaveFileDevice.h"

struct PdfPrintDocument::Impl {
    std::unique_ptr<SaveFileDevice> file;
    std::unique_ptr<QPdfWriter> writer;
    std::unique_ptr<QPainter> painter;
    QString title;
    int pages = 0;
    bool inPage = false;
};

PdfPrintDocument::PdfPrintDocument() : d_(std::make_unique<Impl>()) {}

PdfPrintDocument::~PdfPrintDocument() { abort(); }

bool PdfPrintDocument::open(const std::string& fileName, const std::string& title, std::string& error)
{
    abort();
    // Written beside the target and renamed at commit, so an existing file
    // is replaced only by a complete document.
    auto file = std::make_unique<SaveFileDevice>();
    if (!file->open(fileName, error)) return false;
    d_->file = std::move(file);
    d_->title = QString::fromStdString(title);
    d_->pages = 0;
    return true;
}

bool PdfPrintDocument::isOpen() const { return d_->file != nullptr; }

static QPageLayout toQt(const PdfPageLayout& l)
{
    // Our sizes already lie as the sheet is drawn; Qt's orientation would
    // swap them again.
    QPageSize size(QSizeF(l.width, l.height), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    QPageLayout layout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    layout.setMode(QPageLayout::StandardMode);
    layout.setMinimumMargins(QMarginsF(0, 0, 0, 0));
    layout.setMargins(QMarginsF(l.left, l.top, l.right, l.bottom));
    return layout;
}

void PdfPrintDocument::beginPage(const PdfPageLayout& layout)
{
    if (!d_->file || d_->inPage) return;
    const QPageLayout qtLayout = toQt(layout);
    if (!d_->writer) {
        d_->writer = std::make_unique<QPdfWriter>(d_->file.get());
        d_->writer->setResolution(Resolution);
        d_->writer->setTitle(d_->title);
        d_->writer->setCreator(QStringLiteral("Tarvex"));
        d_->writer->setPageLayout(qtLayout);
        d_->painter = std::make_unique<QPainter>(d_->writer.get());
    } else {
        d_->writer->setPageLayout(qtLayout);
        d_->writer->newPage();
    }
    d_->painter->save();
    d_->inPage = true;
    ++d_->pages;
}

QPainter& PdfPrintDocument::painter() { return *d_->painter; }

bool PdfPrintDocument::endPage(std::string& error)
{
    if (!d_->inPage) return true;
    // Each page starts from a clean painter, whatever the last one left.
    d_->painter->restore();
    d_->inPage = false;
    if (!d_->file->failure().empty()) {
        error = writeError();
        return false;
    }
    return true;
}

std::string PdfPrintDocument::writeError() const { return d_->file->failure(); }

int PdfPrintDocument::pageCount() const { return d_->pages; }

bool PdfPrintDocument::close(std::string& error)
{
    if (!d_->file) {
        error = "No document is open";
        return false;
    }
    if (!endPage(error)) {
        abort();
        return false;
    }
    if (!d_->writer) {
        // A document without pages still makes a valid file: one empty page.
        beginPage(PdfPageLayout{});
        endPage(error);
    }
    const bool ended = d_->painter->end();
    d_->painter.reset();
    d_->writer.reset();
    bool ok = false;
    if (ended) {
        ok = d_->file->commit(error);
    } else {
        error = d_->file->failure().empty() ? std::string("The PDF document could not be finished") : writeError();
    }
    d_->file.reset();
    return ok;
}

void PdfPrintDocument::abort() noexcept
{
    if (std::uncaught_exceptions() > 0) {
        // An exception (memory running out) may have cut a call of Qt's PDF
        // engine short, leaving it inconsistent: ending the document would
        // write from that state. Painter and writer are let go unfinished.
        [[maybe_unused]] QPainter* painter = d_->painter.release();
        [[maybe_unused]] QPdfWriter* writer = d_->writer.release();
    }
    if (d_->painter) {
        d_->painter->end();
        d_->painter.reset();
    }
    d_->writer.reset();
    d_->file.reset();  // removes the temporary file
    d_->inPage = false;
    d_->pages = 0;
}
