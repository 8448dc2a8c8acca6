#pragma once
// One printed document as a 600-dpi PDF. Like a printer's device context, the
// painter's origin is the printable area of the sheet: the page margins are
// the device's unprintable margins. Sheet and orientation may change from
// page to page. Output goes to a file only when the document is closed
// successfully; a failed or aborted document leaves nothing behind.

#include <memory>
#include <string>

class QPainter;

// A sheet as it lies on the page (landscape sheets are wider than high), in
// millimetres.
struct PdfPageLayout {
    double width = 210;
    double height = 297;
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

class PdfPrintDocument {
public:
    static constexpr int Resolution = 600;

    PdfPrintDocument();
    ~PdfPrintDocument();  // aborts an open document
    PdfPrintDocument(const PdfPrintDocument&) = delete;
    PdfPrintDocument& operator=(const PdfPrintDocument&) = delete;

    // Prepares output to fileName (written there at close). False with a
    // message when the file cannot be created.
    bool open(const std::string& fileName, const std::string& title, std::string& error);
    bool isOpen() const;
    // Starts a page on the given sheet; the painter is active until endPage.
    void beginPage(const PdfPageLayout& layout);
    QPainter& painter();
    // False with a message when the file could not take the page.
    bool endPage(std::string& error);
    int pageCount() const;
    // Finishes the PDF and moves it to its file. False with a message when
    // it could not be written; nothing is left then.
    bool close(std::string& error);
    // Drops the document and its partial file.
    void abort() noexcept;

private:
    std::string writeError() const;
    struct Impl;
    std::unique_ptr<Impl> d_;
};
