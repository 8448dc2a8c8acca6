#include "rpRichFormat.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QHash>
#include <QPainter>
#include <QSet>
#include <QTextList>
#include <QTextObjectInterface>

#include <mutex>

#include "Exceptions.h"
#include "FontResolver.h"
#include "ImageCodecs.h"
#include "MetafilePlayer.h"
#include "rpRtfLexer.h"

namespace rich {

namespace {

// Inline objects: pictures, kept metafiles and objects.
class ObjectHandler : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    QSizeF intrinsicSize(QTextDocument*, int, const QTextFormat& format) override { return PictureSizeUnits(format); }
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int, const QTextFormat& format) override
    {
        const QImage image = PictureImage(format);
        if (!image.isNull()) {
            painter->drawImage(rect, image);
            return;
        }
        const QByteArray metafile = PictureMetafile(format);
        if (!metafile.isEmpty()) {
            PlayMetafile(std::string_view(metafile.constData(), size_t(metafile.size())), *painter, rect);
            return;
        }
        // What cannot be shown here still takes its place.
        painter->save();
        painter->setPen(QPen(Qt::lightGray, 0));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect);
        painter->restore();
    }
};

ObjectHandler& objectHandler()
{
    static ObjectHandler* handler = new ObjectHandler;
    return *handler;
}

// Layout is against 96 dots per inch, whatever the screen says.
QPaintDevice& layoutDevice()
{
    static QImage* device = [] {
        auto* image = new QImage(1, 1, QImage::Format_ARGB32);
        image->setDotsPerMeterX(3780);
        image->setDotsPerMeterY(3780);
        return image;
    }();
    return *device;
}

Qt::Alignment qtAlign(TRichAlign a)
{
    switch (a) {
    case TRichAlign::Right: return Qt::AlignRight;
    case TRichAlign::Center: return Qt::AlignHCenter;
    case TRichAlign::Justify: return Qt::AlignJustify;
    default: return Qt::AlignLeft;
    }
}

TRichAlign richAlign(Qt::Alignment a)
{
    if (a & Qt::AlignJustify) return TRichAlign::Justify;
    if (a & Qt::AlignHCenter) return TRichAlign::Center;
    if (a & Qt::AlignRight) return TRichAlign::Right;
    return TRichAlign::Left;
}

QTextListFormat::Style qtListStyle(TRichList l)
{
    switch (l) {
    case TRichList::Decimal: return QTextListFormat::ListDecimal;
    case TRichList::LowerAlpha: return QTextListFormat::ListLowerAlpha;
    case TRichList::UpperAlpha: return QTextListFormat::ListUpperAlpha;
    case TRichList::LowerRoman: return QTextListFormat::ListLowerRoman;
    case TRichList::UpperRoman: return QTextListFormat::ListUpperRoman;
    default: return QTextListFormat::ListDisc;
    }
}

TRichList richList(QTextListFormat::Style s)
{
    switch (s) {
    case QTextListFormat::ListDecimal: return TRichList::Decimal;
    case QTextListFormat::ListLowerAlpha: return TRichList::LowerAlpha;
    case QTextListFormat::ListUpperAlpha: return TRichList::UpperAlpha;
    case QTextListFormat::ListLowerRoman: return TRichList::LowerRoman;
    case QTextListFormat::ListUpperRoman: return TRichList::UpperRoman;
    default: return TRichList::Bullet;
    }
}

int listStartOf(const QTextList* list)
{
    const QVariant v = list->format().property(ListStart);
    return v.isValid() ? v.toInt() : 1;
}

// PNG and JPEG bytes decoded; a null image for others and for bytes that
// do not decode.
QImage decodePicture(TRichPictKind kind, const QByteArray& data)
{
    const std::string_view bytes(data.constData(), static_cast<size_t>(data.size()));
    try {
        if (kind == TRichPictKind::Png) return DecodePng(bytes);
        if (kind == TRichPictKind::Jpeg) return DecodeJpeg(bytes);
    } catch (const EInvalidGraphic&) {
    }
    return {};
}

// A list paragraph's first line starts a marker's width in from its
// offset, as the edit control shows it.
constexpr int ListMarkerTwips = 360;

// Tab stops reach no further than 22 inches.
constexpr int MaxTabTwips = 31680;

QString encodeTabs(const std::vector<TRichTab>& tabs)
{
    QStringList parts;
    for (const TRichTab& t : tabs)
        parts << QString::number(t.position) + QLatin1Char(':') + QString::number(static_cast<int>(t.kind)) +
                     QLatin1Char(':') + QString::number(static_cast<int>(t.leader));
    return parts.join(QLatin1Char(','));
}

TRichTab decodeTab(const QString& text)
{
    TRichTab t;
    t.position = text.section(QLatin1Char(':'), 0, 0).toInt();
    t.kind = static_cast<TRichTabKind>(std::clamp(text.section(QLatin1Char(':'), 1, 1).toInt(), 0, 3));
    t.leader = static_cast<TRichTabLeader>(std::clamp(text.section(QLatin1Char(':'), 2, 2).toInt(), 0, 6));
    return t;
}

std::vector<TRichTab> decodeTabs(const QString& text)
{
    std::vector<TRichTab> tabs;
    if (text.isEmpty()) return tabs;
    for (const QString& part : text.split(QLatin1Char(','))) tabs.push_back(decodeTab(part));
    return tabs;
}

int floorDiv(int a, int b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

// A stop of Qt's layout and the paragraph's stop it stands for (null: a default stop).
struct LayoutTab {
    qreal position;  // units from where the first line starts
    const TRichTab* stop;
};

// Qt counts a stop from where a line starts: the paragraph's stops are
// moved by where its first line starts, and the default stops every half
// inch from the left edge are given as stops where that start is off
// their grid. Lines after the first start elsewhere when the first line
// is indented on its own; they take the first line's stops.
std::vector<LayoutTab> layoutStops(const TRichPara& p)
{
    const int start = FirstLineStart(p);
    std::vector<const TRichTab*> stops;
    for (const TRichTab& t : p.tabs)
        if (t.position > 0) stops.push_back(&t);
    std::stable_sort(stops.begin(), stops.end(), [](const TRichTab* a, const TRichTab* b) { return a->position < b->position; });
    std::vector<LayoutTab> out;
    int last = start;
    // A hanging first line has a stop of its own at the left indent, where
    // the lines after it start: "1." and a tab put the text there.
    bool hanging = p.list == TRichList::None && p.li > start;
    for (const TRichTab* t : stops) {
        if (hanging && t->position >= p.li) {
            if (t->position > p.li) out.push_back({TwipsToUnits(p.li - start), nullptr});
            hanging = false;
        }
        out.push_back({TwipsToUnits(t->position - start), t});
        last = std::max(last, t->position);
    }
    if (hanging) {
        out.push_back({TwipsToUnits(p.li - start), nullptr});
        last = std::max(last, p.li);
    }
    if (floorDiv(start, DefaultTabTwips) * DefaultTabTwips != start) {
        for (int at = (floorDiv(last, DefaultTabTwips) + 1) * DefaultTabTwips; at <= MaxTabTwips; at += DefaultTabTwips)
            out.push_back({TwipsToUnits(at - start), nullptr});
    }
    return out;
}

QList<QTextOption::Tab> layoutTabs(const TRichPara& p)
{
    QList<QTextOption::Tab> tabs;
    for (const LayoutTab& l : layoutStops(p)) {
        QTextOption::Tab tab;
        tab.position = l.position;
        switch (l.stop ? l.stop->kind : TRichTabKind::Left) {
        case TRichTabKind::Center: tab.type = QTextOption::CenterTab; break;
        case TRichTabKind::Right: tab.type = QTextOption::RightTab; break;
        case TRichTabKind::Decimal:
            tab.type = QTextOption::DelimiterTab;
            tab.delimiter = QLatin1Char('.');
            break;
        default: tab.type = QTextOption::LeftTab; break;
        }
        tabs << tab;
    }
    return tabs;
}

}  // namespace

int FirstLineStart(const TRichPara& p)
{
    return p.li + (p.list == TRichList::None ? p.fi : std::max(p.fi + ListMarkerTwips, 0));
}

const TRichTab* TabStopAt(const TRichPara& para, qreal x)
{
    // Qt takes the first stop beyond where the tab starts.
    for (const LayoutTab& l : layoutStops(para))
        if (l.position > x + 1.0 / 128) return l.stop;
    return nullptr;
}

QTextCharFormat ToCharFormat(const TRichChar& a)
{
    QTextCharFormat f;
    f.setProperty(FaceName, a.font.face);
    if (a.font.charset >= 0) f.setProperty(Charset, a.font.charset);
    if (a.font.pitchFamily) f.setProperty(PitchFamily, a.font.pitchFamily);
    f.setFontFamilies(LayoutFamilies(a.font.face, a.bold, a.italic));
    f.setFontPointSize(a.halfPoints / 2.0);
    f.setFontWeight(a.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(a.italic);
    f.setFontUnderline(a.underline);
    f.setFontStrikeOut(a.strike);
    f.setFontHintingPreference(QFont::PreferNoHinting);
    f.setFontKerning(false);
    if (a.vertical == 1) f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    if (a.vertical == 2) f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (a.protect) f.setProperty(Protected, true);
    if (a.hidden) f.setProperty(Hidden, true);
    if (a.color >= 0) f.setForeground(QColor::fromRgb(static_cast<QRgb>(a.color)));
    if (a.highlight >= 0) f.setBackground(QColor::fromRgb(static_cast<QRgb>(a.highlight)));
    return f;
}

TRichChar FromCharFormat(const QTextCharFormat& f)
{
    TRichChar a;
    const QVariant face = f.property(FaceName);
    if (face.isValid()) {
        a.font.face = face.toString();
    } else {
        const QStringList families = f.fontFamilies().toStringList();
        a.font.face = families.isEmpty() ? QStringLiteral("Arial") : families.first();
    }
    a.font.charset = f.hasProperty(Charset) ? f.intProperty(Charset) : -1;
    a.font.pitchFamily = f.intProperty(PitchFamily);
    const qreal points = f.fontPointSize();
    a.halfPoints = points > 0 ? static_cast<int>(Round(static_cast<Extended>(points) * 2)) : 20;
    a.bold = f.fontWeight() >= QFont::DemiBold;
    a.italic = f.fontItalic();
    a.underline = f.fontUnderline();
    a.strike = f.fontStrikeOut();
    a.vertical = f.verticalAlignment() == QTextCharFormat::AlignSuperScript ? 1
                 : f.verticalAlignment() == QTextCharFormat::AlignSubScript ? 2
                                                                             : 0;
    a.protect = f.boolProperty(Protected);
    a.hidden = f.boolProperty(Hidden);
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
        a.color = static_cast<int>(f.foreground().color().rgb() & 0xFFFFFF);
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
        a.highlight = static_cast<int>(f.background().color().rgb() & 0xFFFFFF);
    return a;
}

QTextBlockFormat ToBlockFormat(const TRichPara& p)
{
    QTextBlockFormat b;
    if (p.align != TRichAlign::Left) b.setAlignment(qtAlign(p.align));
    b.setLeftMargin(TwipsToUnits(p.li));
    b.setRightMargin(TwipsToUnits(p.ri));
    if (p.list == TRichList::None) {
        b.setTextIndent(TwipsToUnits(p.fi));
    } else {
        b.setProperty(ListIndent, p.fi);
        b.setTextIndent(TwipsToUnits(std::max(p.fi + ListMarkerTwips, 0)));
    }
    b.setTopMargin(TwipsToUnits(p.sb));
    b.setBottomMargin(TwipsToUnits(p.sa));
    if (p.sl != 0) {
        b.setProperty(LineSpacing, p.sl);
        b.setProperty(LineMultiple, p.slMult);
        const int magnitude = p.sl < 0 ? -p.sl : p.sl;
        if (p.slMult)
            b.setLineHeight(magnitude * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
        else
            b.setLineHeight(TwipsToUnits(magnitude),
                            p.sl > 0 ? QTextBlockFormat::MinimumHeight : QTextBlockFormat::FixedHeight);
    }
    // The stops as given, whenever Qt's differ from none.
    const QList<QTextOption::Tab> tabs = layoutTabs(p);
    if (!p.tabs.empty() || !tabs.isEmpty()) b.setProperty(TabStops, encodeTabs(p.tabs));
    if (!tabs.isEmpty()) b.setTabPositions(tabs);
    return b;
}

TRichPara FromBlock(const QTextBlock& block)
{
    TRichPara p;
    const QTextBlockFormat b = block.blockFormat();
    p.align = richAlign(b.alignment());
    p.li = UnitsToTwips(b.leftMargin());
    p.ri = UnitsToTwips(b.rightMargin());
    p.sb = UnitsToTwips(b.topMargin());
    p.sa = UnitsToTwips(b.bottomMargin());
    p.sl = b.intProperty(LineSpacing);
    p.slMult = b.intProperty(LineMultiple);
    if (const QTextList* list = block.textList()) {
        p.list = richList(list->format().style());
        p.listStart = listStartOf(list);
        if (p.list == TRichList::Bullet) p.bullet = static_cast<char32_t>(list->format().intProperty(ListBullet));
        p.fi = b.intProperty(ListIndent);
    } else {
        p.fi = UnitsToTwips(b.textIndent());
    }
    if (b.hasProperty(TabStops)) {
        p.tabs = decodeTabs(b.stringProperty(TabStops));
        return p;
    }
    // A block made elsewhere: Qt's stops are all there is.
    for (const QTextOption::Tab& tab : b.tabPositions()) {
        TRichTab t;
        t.position = UnitsToTwips(tab.position);
        t.kind = tab.type == QTextOption::CenterTab      ? TRichTabKind::Center
                 : tab.type == QTextOption::RightTab     ? TRichTabKind::Right
                 : tab.type == QTextOption::DelimiterTab ? TRichTabKind::Decimal
                                                         : TRichTabKind::Left;
        p.tabs.push_back(t);
    }
    return p;
}

namespace {

// A bullet list's own marker; none for the usual one or another list.
char32_t bulletOf(const TRichPara& p)
{
    return p.list == TRichList::Bullet && p.bullet != DefaultBullet ? p.bullet : 0;
}

}  // namespace

void ApplyList(QTextBlock block, const TRichPara& para)
{
    QTextList* current = block.textList();
    if (para.list == TRichList::None) {
        if (current) current->remove(block);
        return;
    }
    const auto fits = [&](const QTextList* list) {
        return list && richList(list->format().style()) == para.list && listStartOf(list) == para.listStart &&
               static_cast<char32_t>(list->format().intProperty(ListBullet)) == bulletOf(para);
    };
    const QTextBlock prev = block.previous();
    QTextList* before = prev.isValid() ? prev.textList() : nullptr;
    if (fits(before)) {
        if (current != before) {
            if (current) current->remove(block);
            before->add(block);
        }
        return;
    }
    if (fits(current) && current->itemNumber(block) == 0) return;
    QTextListFormat lf;
    lf.setStyle(qtListStyle(para.list));
    lf.setIndent(0);
    if (para.listStart != 1) lf.setProperty(ListStart, para.listStart);
    if (bulletOf(para)) lf.setProperty(ListBullet, static_cast<int>(bulletOf(para)));
    if (current) current->remove(block);
    QTextCursor(block).createList(lf);
}

QString ListLabel(const TRichPara& para, int number)
{
    const TRichList kind = para.list;
    switch (kind) {
    case TRichList::None: return QString();
    case TRichList::Bullet: {
        const char32_t c = para.bullet ? para.bullet : DefaultBullet;
        return QString::fromUcs4(&c, 1);
    }
    case TRichList::LowerAlpha:
    case TRichList::UpperAlpha: {
        QString s;
        for (int n = std::max(number, 1); n > 0; n = (n - 1) / 26) s.prepend(QChar(u'a' + (n - 1) % 26));
        return (kind == TRichList::UpperAlpha ? s.toUpper() : s) + QLatin1Char('.');
    }
    case TRichList::LowerRoman:
    case TRichList::UpperRoman: {
        static const std::pair<int, const char*> digits[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"},
                                                             {100, "c"},  {90, "xc"},  {50, "l"},  {40, "xl"},
                                                             {10, "x"},   {9, "ix"},   {5, "v"},   {4, "iv"},
                                                             {1, "i"}};
        QString s;
        int n = std::clamp(number, 1, 3999);
        for (const auto& [value, text] : digits)
            for (; n >= value; n -= value) s += QLatin1String(text);
        return (kind == TRichList::UpperRoman ? s.toUpper() : s) + QLatin1Char('.');
    }
    default: return QString::number(number) + QLatin1Char('.');
    }
}

int ListNumber(const QTextBlock& block)
{
    const QTextList* list = block.textList();
    return list ? listStartOf(list) + list->itemNumber(block) : 0;
}

namespace {

// The fields both forms share.
template <class From, class To>
void copyShared(const From& from, To& to)
{
    to.halfPoints = from.halfPoints;
    to.bold = from.bold;
    to.italic = from.italic;
    to.underline = from.underline;
    to.strike = from.strike;
    to.vertical = from.vertical;
    to.protect = from.protect;
    to.hidden = from.hidden;
}

}  // namespace

TRichChar ToRichChar(const TRtfCharState& s, const TRichFont& font, int color, int highlight)
{
    TRichChar a;
    copyShared(s, a);
    a.halfPoints = std::clamp(s.halfPoints, 2, 3276);
    a.font = font;
    a.color = color;
    a.highlight = highlight;
    return a;
}

TRtfCharState ToRtfState(const TRichChar& a, int font, int color, int highlight)
{
    TRtfCharState s;
    copyShared(a, s);
    s.font = font;
    s.color = color;
    s.highlight = highlight;
    return s;
}

TFontStyles StylesOf(const TRichChar& a)
{
    TFontStyles s;
    if (a.bold) s.Include(fsBold);
    if (a.italic) s.Include(fsItalic);
    if (a.underline) s.Include(fsUnderline);
    if (a.strike) s.Include(fsStrikeout);
    return s;
}

void SetStyles(TRichChar& a, TFontStyles styles)
{
    a.bold = styles.Contains(fsBold);
    a.italic = styles.Contains(fsItalic);
    a.underline = styles.Contains(fsUnderline);
    a.strike = styles.Contains(fsStrikeout);
}

TColor RgbColor(int rgb)
{
    return RGB(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb));
}

int ColorRgb(TColor color)
{
    const auto c = static_cast<uint32_t>(ColorToRGB(color));
    return static_cast<int>(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
}

QString EncodeChar(const TRichChar& a)
{
    const int flags = (a.bold ? 1 : 0) | (a.italic ? 2 : 0) | (a.underline ? 4 : 0) | (a.strike ? 8 : 0) |
                      (a.protect ? 16 : 0) | (a.hidden ? 32 : 0) | (a.vertical << 6);
    QStringList parts;
    for (int v : {a.font.charset, a.font.pitchFamily, a.halfPoints, flags, a.color, a.highlight})
        parts << QString::number(v);
    parts << a.font.face;
    return parts.join(QLatin1Char('|'));
}

TRichChar DecodeChar(const QString& text)
{
    TRichChar a;
    const QStringList parts = text.split(QLatin1Char('|'));
    if (parts.size() < 7) return DefaultPlainChar();
    a.font.charset = parts[0].toInt();
    a.font.pitchFamily = parts[1].toInt();
    a.halfPoints = parts[2].toInt();
    const int flags = parts[3].toInt();
    a.bold = flags & 1;
    a.italic = flags & 2;
    a.underline = flags & 4;
    a.strike = flags & 8;
    a.protect = flags & 16;
    a.hidden = flags & 32;
    a.vertical = (flags >> 6) & 3;
    a.color = parts[4].toInt();
    a.highlight = parts[5].toInt();
    a.font.face = parts.mid(6).join(QLatin1Char('|'));
    return a;
}

QString EncodePara(TRichPara p)
{
    // As a paragraph keeps them: a multiple without spacing, or a start
    // without a list, means nothing.
    if (p.sl == 0) p.slMult = 0;
    if (p.list == TRichList::None) p.listStart = 1;
    if (p.list != TRichList::Bullet || p.bullet == DefaultBullet) p.bullet = 0;
    QStringList parts;
    for (int v : {static_cast<int>(p.align), p.li, p.ri, p.fi, p.sb, p.sa, p.sl, p.slMult, static_cast<int>(p.list),
                  p.listStart, static_cast<int>(p.bullet)})
        parts << QString::number(v);
    for (const TRichTab& t : p.tabs) parts << encodeTabs({t});
    return parts.join(QLatin1Char('|'));
}

TRichPara DecodePara(const QString& text)
{
    TRichPara p;
    const QStringList parts = text.split(QLatin1Char('|'));
    if (parts.size() < 11) return p;
    p.align = static_cast<TRichAlign>(std::clamp(parts[0].toInt(), 0, 3));
    p.li = parts[1].toInt();
    p.ri = parts[2].toInt();
    p.fi = parts[3].toInt();
    p.sb = parts[4].toInt();
    p.sa = parts[5].toInt();
    p.sl = parts[6].toInt();
    p.slMult = parts[7].toInt();
    p.list = static_cast<TRichList>(std::clamp(parts[8].toInt(), 0, 6));
    p.listStart = parts[9].toInt();
    p.bullet = static_cast<char32_t>(std::clamp(parts[10].toInt(), 0, 0x10FFFF));
    for (qsizetype i = 11; i < parts.size(); ++i) p.tabs.push_back(decodeTab(parts[i]));
    return p;
}

TRichChar DefaultPlainChar()
{
    TRichChar a;
    a.font.face = QStringLiteral("Arial");
    a.font.charset = 0;
    a.halfPoints = 20;
    return a;
}

QStringList LayoutFamilies(const QString& face, bool bold, bool italic)
{
    static std::mutex lock;
    static QHash<QString, QStringList> cache;
    static QSet<QString> registered;
    const QString key = face + QChar(u'\x1') + QChar(bold ? u'b' : u'-') + QChar(italic ? u'i' : u'-');
    std::lock_guard guard(lock);
    auto it = cache.constFind(key);
    if (it != cache.constEnd()) return *it;
    QStringList families;
    try {
        const ResolvedFont& font = ResolveFont(face.toStdString(), bold, italic);
        for (const FontChoice* choice : {&font.primary(), &font.fallback()}) {
            if (!choice->face) continue;
            const QString file = QString::fromStdString(choice->face->fileName());
            if (!registered.contains(file)) {
                // Qt then finds the very file the resolver pinned.
                QFontDatabase::addApplicationFont(file);
                registered.insert(file);
            }
            const QString family = QString::fromStdString(choice->face->familyName());
            if (!families.contains(family)) families << family;
        }
    } catch (const Exception&) {
        // No pinned file at all: Qt's own matching is all there is.
    }
    if (families.isEmpty()) families << face;
    cache.insert(key, families);
    return families;
}

void PrepareRichDocument(QTextDocument& doc)
{
    // Each setting lays the whole text out again: only what differs is set,
    // so that preparing a prepared document costs nothing.
    if (doc.documentMargin() != 0) doc.setDocumentMargin(0);
    if (!doc.useDesignMetrics()) doc.setUseDesignMetrics(true);
    QTextOption option = doc.defaultTextOption();
    if (option.tabStopDistance() != TwipsToUnits(DefaultTabTwips) ||
        option.wrapMode() != QTextOption::WrapAtWordBoundaryOrAnywhere) {
        option.setTabStopDistance(TwipsToUnits(DefaultTabTwips));
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        doc.setDefaultTextOption(option);
    }
    // A layout made before (a clone's, say) measured with another device
    // and without the object handler: it is made again.
    QAbstractTextDocumentLayout& layout = *doc.documentLayout();
    bool stale = false;
    if (layout.paintDevice() != &layoutDevice()) {
        layout.setPaintDevice(&layoutDevice());
        stale = true;
    }
    if (layout.handlerForObject(RichObjectType) != &objectHandler()) {
        layout.registerHandler(RichObjectType, &objectHandler());
        stale = true;
    }
    if (doc.isUndoRedoEnabled()) doc.setUndoRedoEnabled(false);
    const QFont font = ToCharFormat(DefaultPlainChar()).font();
    if (doc.defaultFont() != font) doc.setDefaultFont(font);
    if (stale && !doc.isEmpty()) doc.markContentsDirty(0, doc.characterCount());
}

std::unique_ptr<QTextDocument> NewRichDocument()
{
    auto doc = std::make_unique<QTextDocument>();
    PrepareRichDocument(*doc);
    QTextCursor(doc.get()).setBlockCharFormat(ToCharFormat(DefaultPlainChar()));
    return doc;
}

QSizeF PictureSizeUnits(const QTextFormat& format)
{
    // In floating point: the sizes and scales of a file may be near 2^31.
    const QSize goal = format.property(PictGoal).toSize();
    QSizeF twips(goal.width(), goal.height());
    if (goal.width() <= 0 || goal.height() <= 0) {
        const QSize pixels = format.property(PictPixels).toSize();
        twips = QSizeF(qreal(pixels.width()) * TwipsPerUnit, qreal(pixels.height()) * TwipsPerUnit);
    }
    QSize scale = format.property(PictScale).toSize();
    if (scale.width() <= 0) scale.setWidth(100);
    if (scale.height() <= 0) scale.setHeight(100);
    const qreal w = std::max<qreal>(0, twips.width()) * scale.width() / 100.0;
    const qreal h = std::max<qreal>(0, twips.height()) * scale.height() / 100.0;
    // A picture never takes more than a few metres.
    constexpr qreal limit = 100000;
    return QSizeF(std::min(w, limit) / TwipsPerUnit, std::min(h, limit) / TwipsPerUnit);
}

QImage PictureImage(const QTextFormat& format)
{
    const auto kind = static_cast<TRichPictKind>(format.intProperty(PictKind));
    if (kind != TRichPictKind::Png && kind != TRichPictKind::Jpeg) return {};
    const QByteArray data = format.property(PictData).toByteArray();
    static std::mutex lock;
    static QHash<QByteArray, QImage> cache;
    std::lock_guard guard(lock);
    auto it = cache.constFind(data);
    if (it != cache.constEnd()) return *it;
    QImage image = decodePicture(kind, data);
    if (cache.size() >= 64) cache.clear();
    cache.insert(data, image);
    return image;
}

QByteArray PictureMetafile(const QTextFormat& format)
{
    if (static_cast<TRichPictKind>(format.intProperty(PictKind)) != TRichPictKind::Opaque) return {};
    const QByteArray group = format.property(PictData).toByteArray();
    static std::mutex lock;
    static QHash<QByteArray, QByteArray> cache;
    std::lock_guard guard(lock);
    auto it = cache.constFind(group);
    if (it != cache.constEnd()) return *it;
    // The picture's own data: hex digits or \bin bytes at the group's
    // first level; nested groups ({\*\blipuid ...}) are not part of it.
    TRtfLexer lexer(std::string_view(group.constData(), size_t(group.size())));
    bool metafile = false;
    int depth = 0;
    QByteArray hex, bytes;
    for (TRtfToken t = lexer.Next(); t.kind != TRtfToken::End; t = lexer.Next()) {
        if (t.kind == TRtfToken::Open) ++depth;
        if (t.kind == TRtfToken::Close && --depth <= 0) break;
        if (depth != 1) continue;
        if (t.kind == TRtfToken::Word && (t.word == "emfblip" || t.word == "wmetafile")) metafile = true;
        if (t.kind == TRtfToken::Text) hex.append(t.bytes.data(), qsizetype(t.bytes.size()));
        if (t.kind == TRtfToken::Bin) bytes.append(t.bytes.data(), qsizetype(t.bytes.size()));
    }
    if (!metafile) bytes.clear();
    else if (bytes.isEmpty()) bytes = QByteArray::fromHex(hex);
    if (cache.size() >= 64) cache.clear();
    cache.insert(group, bytes);
    return bytes;
}

QTextCharFormat PictureFormat(const QTextCharFormat& base, TRichPictKind kind, const QByteArray& data, QSize pixels,
                              QSize goalTwips, QSize scale)
{
    QTextCharFormat f = base;
    f.setObjectType(RichObjectType);
    f.setProperty(PictKind, static_cast<int>(kind));
    f.setProperty(PictData, data);
    if (!pixels.isValid()) pixels = QSize(0, 0);
    if (pixels.width() <= 0 || pixels.height() <= 0) {
        const QImage image = decodePicture(kind, data);
        if (!image.isNull()) pixels = image.size();
    }
    f.setProperty(PictPixels, pixels);
    f.setProperty(PictGoal, goalTwips);
    f.setProperty(PictScale, scale);
    return f;
}

}  // namespace rich

#include "rpRichFormat.moc"
