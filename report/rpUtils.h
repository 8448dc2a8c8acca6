#pragma once
// Free-standing routines of the report library: overlap tests, tolerant
// number text, bracketed expressions, page ranges, stream checksums and hex,
// error reporting, image strips and temporary files.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Numbers.h"
#include "Streams.h"

class QImage;
class TCollection;
class TComponent;
class TStrings;
class TrpPropReader;
class TrpPropWriter;
class TrpXMLSerializer;
class QPainter;
class QRectF;
class TrpImageList;
class TrpComponent;

// An area in report units; the overlap tests allow 0.0001 units of touch.
class TrpRectArea {
public:
    TrpRectArea(Extended left, Extended top, Extended right, Extended bottom)
        : X(left), Y(top), X1(right), Y1(bottom)
    {
    }
    // The object's absolute rectangle.
    static TrpRectArea CreateFromView(const TrpComponent& view);
    bool InterceptsX(const TrpRectArea& other) const;
    bool InterceptsY(const TrpRectArea& other) const;
    // The horizontal overlap (Y and Y1 zero); false when there is none.
    bool InterceptsArea(const TrpRectArea& other, TrpRectArea& result) const;

    Extended X, Y, X1, Y1;
};

struct TrpRect {
    Extended Left, Top, Right, Bottom;
};
TrpRect MakeExtRect(Extended left, Extended top, Extended right, Extended bottom);

inline Extended Max(Extended a, Extended b) { return a > b ? a : b; }
inline Extended Min(Extended a, Extended b) { return a < b ? a : b; }

// CRC-32 (ISO 3309) of the whole stream; the position is kept.
uint32_t StreamCRC32(TStream& stream);
// The whole stream from position 0 as upper-case hex.
std::string StreamToHex(TStream& stream);
// Decodes floor(len/2) bytes into the stream from position 0 and gives the
// stream exactly that size. A character that is no hex digit raises
// EConvertError.
void HexToStream(std::string_view hex, TStream& stream);

// "," and "." both act as the decimal separator, blanks are ignored.
Extended StrToFloatAnySep(std::string_view text);
// Integral values without decimals, others with two ("%2.2f").
std::string FloatToStrPlain(Extended value);

// The text between the delimiter pair that starts at start (1-based), with
// nested pairs counted and delimiters inside '...' or "..." ignored. end
// receives the position of the closing delimiter's last character.
std::string GetBracketedText(std::string_view text, std::string_view open, std::string_view close, int& end,
                             int& start);
std::u16string GetBracketedTextW(std::u16string_view text, std::u16string_view open, std::u16string_view close,
                                 int& end, int& start);

// "1,3,5-12" to the page numbers, in order, as decimal text. Ranges are
// clamped to 1..pageCount. A piece that is no integer raises EConvertError;
// the numbers before it stay in the list.
void ParsePageNumbers(std::string_view text, TStrings* pages, int pageCount);

// Clears the list and adds every item of the text split at the delimiter;
// a trailing delimiter adds no empty item.
void SetStringsFromDelimited(std::string_view text, TStrings* strings, char delimiter);

// A component's name as a reference from root: its name when it lies in
// root's tree or the report's own owner owns it, "Owner.Name" for a form's or data module's
// component, "Form.Frame.Name" inside a frame; empty otherwise.
std::string GetFullName(const TComponent* root, const TComponent* component);
// Resolves such a name: "Form.Name" through the global components, a plain
// name among the owner's components (then its report's owner's). A lookup
// that raises gives EClassNotFound "Missing <path>"; absent gives nullptr.
TComponent* FindComponentByPath(TComponent* owner, std::string_view path);
// The global components (forms and data modules) by name; the application
// installs the finder. nullptr when none is installed or nothing matches.
using TFindGlobalComponent = TComponent* (*)(std::string_view name);
void SetFindGlobalComponent(TFindGlobalComponent finder);
TComponent* FindGlobalComponent(std::string_view name);

// A collection in a PropData record: a list of items, each its XML
// attribute text as a long string. Reading also takes the platform's
// standard collection form, with string values in the old 7-bit form
// (\x01 c stands for c + 128). serializer may be nullptr: a new one against
// report is used.
void WriteCollectionXML(TCollection* collection, TrpPropWriter& writer, TComponent* report);
void ReadCollectionXML(TCollection* collection, TrpPropReader& reader, TComponent* report,
                       TrpXMLSerializer* serializer = nullptr);

// The report's error mode (EngineOptions.NewSilentMode).
enum TrpSilentMode { simMessageBoxes, simSilent, simReThrow };
void ReportError(TrpSilentMode mode, const std::string& message);
// An error box captioned "mbError", through the UI services.
void ErrorMessageBox(const std::string& message);

// Cuts a strip into cells, left to right and row by row. With a second list
// the cells alternate between the two lists. Each cell is masked by the
// colour of its bottom-left pixel.
void AssignImagesFromStrip(const QImage& strip, int cellWidth, int cellHeight, TrpImageList* second,
                           TrpImageList& first);
// Draws a bitmap masked by its transparent colour (bottom-left pixel).
void DrawMaskedBitmap(QPainter& canvas, int x, int y, const QImage* bitmap);
// Draws a picture into a rectangle; transparent pictures leave the pixels
// of their transparent colour unpainted.
void DrawPictureStretched(QPainter& canvas, const QRectF& rect, const QImage& picture, uint32_t transparentColor,
                          bool transparent, bool highQuality, bool printing);

// Creates an empty file named rpXXXXXX in the folder (the system temporary
// folder when empty) and returns its name; the caller deletes it.
std::string GetTempFileNameIn(const std::string& folder);
std::string GetModuleFileNameStr();
// The program's folder with a trailing "/".
std::string GetAppPath();
