// The ini and classes modules and the event adapters of controls: string
// lists, streams, objects and their owners, the script XML tree, ini files
// through scripts, var arguments written back to the host, and the late
// registrations that shadow a module's functions.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>

#include "ControlEvents.h"
#include "CoreClasses.h"
#include "Exceptions.h"
#include "Graphics.h"
#include "IniFiles.h"
#include "Streams.h"
#include "StringLists.h"
#include "SysUtils.h"
#include "sc_classesrtti.h"
#include "sc_events.h"
#include "sc_inirtti.h"
#include "sc_registrar.h"
#include "sc_test_support.h"
#include "sc_xml.h"

namespace {

namespace fs = std::filesystem;

class ScriptModules : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        registerCoreClasses();
        scRegisterEventAdapters();
        scRegisterIniModule();
        scRegisterClassesModule();
    }
    static void TearDownTestSuite()
    {
        scRTTIModules()->Remove("TscIniModule");
        scRTTIModules()->Remove("TscClassesModule");
        UnregisterClass<TscXMLDocument>();
        UnregisterClass<TscXMLItem>();
        unregisterCoreClasses();
    }
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("sc_modules_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string& name) const { return (dir / name).string(); }
    static std::string read(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    static void write(const std::string& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
    // Runs a script with F replaced by the quoted path of file.
    std::string runWithFile(std::string text, const std::string& file) const
    {
        for (size_t at = text.find("F"); at != std::string::npos; at = text.find("F", at + 1))
            if ((at == 0 || !std::isalnum(static_cast<unsigned char>(text[at - 1]))) &&
                (at + 1 == text.size() || !std::isalnum(static_cast<unsigned char>(text[at + 1])))) {
                text.replace(at, 1, "'" + path(file) + "'");
            }
        return runPascal(text);
    }

    fs::path dir;
};

struct Case {
    const char* script;
    const char* expected;
};

void runCases(std::initializer_list<Case> cases)
{
    for (const Case& c : cases) EXPECT_EQ(runPascal(c.script), c.expected) << c.script;
}

}  // namespace

TEST_F(ScriptModules, StringLists)
{
    runCases({
        // Find on a sorted list: the insertion index of an absent text.
        {"var l: TStringList; i: Integer; begin l := TStringList.Create; l.Sorted := True; l.Add('b'); l.Add('d'); "
         "if not l.Find('c', i) then ShowMessage(IntToStr(i)); if l.Find('d', i) then ShowMessage(IntToStr(i)); l.Free end.",
         "1|1|"},
        {"var l: TStringList; begin l := TStringList.Create; l.Sorted := True; l.Duplicates := dupError; "
         "l.Add('a'); l.Add('a') end.",
         "EStringListError: Duplicates not allowed"},
        // Quoted items survive the round trip.
        {"var l, m: TStringList; begin l := TStringList.Create; m := TStringList.Create; l.Add('a b'); l.Add('c,d'); "
         "l.Add('say \"hi\"'); l.Add(''); ShowMessage(l.CommaText); m.CommaText := l.CommaText; "
         "ShowMessage(IntToStr(m.Count) + m[0] + '|' + m[1] + '|' + m[2]) end.",
         "\"a b\",\"c,d\",\"say \"\"hi\"\"\",|4a b|c,d|say \"hi\"|"},
        {"var l: TStringList; begin l := TStringList.Create; l.Text := 'x=1' + #13#10 + 'y=2'; l.Values['z'] := '3'; "
         "ShowMessage(l.Names[1] + l.Values['x'] + IntToStr(l.IndexOfName('z')) + l.Strings[2]); l.Objects[0] := l; "
         "ShowMessage(IntToStr(l.IndexOfObject(l))); l.Move(0, 2); l.Insert(0, 'w'); l.Delete(1); ShowMessage(l.CommaText) end.",
         "y12z=3|0|w,z=3,x=1|"},
        {"var l: TStringList; begin l := TStringList.Create; ShowMessage(l[3]) end.",
         "EStringListError: List index out of bounds (3)"},
    });
}

TEST_F(ScriptModules, StreamsClampTheirCounts)
{
    runCases({
        // Read asks for more than there is: the bytes there are, and their number.
        {"var s: TMemoryStream; b: String; n: Integer; begin s := TMemoryStream.Create; s.Write('hello', 5); "
         "s.Position := 3; n := s.Read(b, 100); ShowMessage(IntToStr(n) + b + IntToStr(Length(b))); s.Free end.",
         "2lo2|"},
        // Write of more than the text writes the text; negative counts move nothing.
        {"var s: TMemoryStream; b: String; begin s := TMemoryStream.Create; ShowMessage(IntToStr(s.Write('abc', 1000))); "
         "ShowMessage(IntToStr(s.Write('abc', -4)) + IntToStr(s.Size)); s.Seek(0, soFromBeginning); "
         "ShowMessage(IntToStr(s.Read(b, -1)) + IntToStr(s.Seek(-1, soFromEnd))) end.",
         "3|03|02|"},
        {"var s, t: TMemoryStream; b: String; begin s := TMemoryStream.Create; t := TMemoryStream.Create; "
         "s.Write('copy me', 7); ShowMessage(IntToStr(t.CopyFrom(s, 0))); t.Position := 0; t.Read(b, 4); ShowMessage(b) end.",
         "7|copy|"},
        {"var s: TMemoryStream; begin s := TMemoryStream.Create; s.Seek(0, 7) end.",
         "EStreamError: Invalid stream origin (7)"},
        // A position past any size: no wrap round, no attempt to allocate.
        {"var s: TMemoryStream; begin s := TMemoryStream.Create; s.Position := 9223372036854775807; "
         "ShowMessage(IntToStr(s.Seek(10, soFromCurrent))); s.Write('x', 1) end.",
         "9223372036854775807|EStreamError: Out of memory while expanding memory stream"},
    });
}

TEST_F(ScriptModules, FileStreamsAndStringListFiles)
{
    EXPECT_EQ(runWithFile("var s: TFileStream; l: TStringList; begin s := TFileStream.Create(F, fmCreate); "
                          "s.Write('一' + #13#10 + 'two', 8); s.Free; l := TStringList.Create; l.LoadFromFile(F); "
                          "ShowMessage(IntToStr(l.Count) + l[0] + l[1]); l.Add('3'); l.SaveToFile(F); "
                          "s := TFileStream.Create(F, fmOpenRead); ShowMessage(IntToStr(s.Size)); s.Free end.",
                          "f.txt"),
              "2一two|13|");
    EXPECT_EQ(runWithFile("var l: TStringList; begin l := TStringList.Create; l.LoadFromFile(F) end.", "missing.txt")
                  .substr(0, 12),
              "EFOpenError:");
}

TEST_F(ScriptModules, ObjectsOwnersAndFree)
{
    runCases({
        // TObject.Create builds the named class completely, a component without owner.
        {"var o: TObject; c: TComponent; begin o := TStringList.Create; TStringList(o).Add('x'); "
         "c := TComponent(TComponent.Create(nil)); c.Name := 'C'; ShowMessage(o.ClassName + c.Name + IntToStr(c.Tag)); "
         "o.Free; c.Free end.",
         "TStringListC0|"},
        {"var o, p: TComponent; begin o := TComponent.Create(nil); p := TComponent.Create(o); p.Name := 'P'; "
         "ShowMessage(p.Owner.ClassName); o.Free; ShowMessage(p.Name) end.",
         "TComponent|EObjectReferenceError: Invalid object reference"},
        {"var o: TObject; begin o := TObject.Create; o.Free; o.Free end.",
         "EObjectReferenceError: Invalid object reference"},
        // Objects that belong to another object are not the script's to free.
        {"var d: TscXMLDocument; begin d := TscXMLDocument.Create; d.Root.Free end.",
         "EInvalidOperation: Cannot free the TscXMLItem: another object owns it"},
        {"var o: TObject; begin o := TStrings.Create end.",
         "EInvalidOperation: Cannot create an instance of abstract class TStrings"},
        {"var l: TList; a, b: TStringList; begin l := TList.Create; a := TStringList.Create; b := TStringList.Create; "
         "l.Add(a); l.Insert(0, b); l[1] := b; ShowMessage(IntToStr(l.IndexOf(b)) + IntToStr(l.Remove(b)) + IntToStr(l.Count)) end.",
         "001|"},
        // Lists do not own their objects: one freed meanwhile reads nil.
        {"var l: TList; a, b: TStringList; begin l := TList.Create; a := TStringList.Create; b := TStringList.Create; "
         "l.Add(a); b.AddObject('a', a); a.Free; ShowMessage(IntToStr(l.IndexOf(nil)) + IntToStr(b.IndexOfObject(nil))); "
         "l[0].ClassName end.",
         "00|EObjectReferenceError: Invalid object reference"},
        {"var a, b: TStringList; begin a := TStringList.Create; b := TStringList.Create; a.Add('x'); b.Assign(a); "
         "ShowMessage(b.Text) end.",
         "x\r\n|"},
        // Arguments are checked for their class and for nil before the host sees them.
        {"var l: TStringList; v: Variant; begin l := TStringList.Create; v := l; l.LoadFromStream(v) end.",
         "EInvalidCast: Invalid class typecast"},
        {"var l: TStringList; begin l := TStringList.Create; l.SaveToStream(nil) end.",
         "EObjectReferenceError: Invalid object reference"},
    });
}

TEST_F(ScriptModules, ScriptXMLTree)
{
    runCases({
        {"var d: TscXMLDocument; i: TscXMLItem; s: TMemoryStream; e: TscXMLDocument; begin d := TscXMLDocument.Create; "
         "d.Root.Name := 'root'; i := d.Root.Add; i.Name := 'child'; i.Prop['a'] := '<1>'; i.Data := 42; "
         "ShowMessage(IntToStr(d.Root.Count) + d.Root[0].Prop['a'] + IntToStr(d.Root.FindItem('child').Data) + "
         "i.Parent.Name + i.Root.Name + IntToStr(d.Root.Find('none'))); "
         "s := TMemoryStream.Create; d.SaveToStream(s); s.Position := 0; e := TscXMLDocument.Create; e.LoadFromStream(s); "
         "ShowMessage(e.Root.Items[0].Name + e.Root.Items[0].Prop['a']) end.",
         "1<1>42rootroot-1|child<1>|"},
        // An item cannot become its own descendant, nor leave its document.
        {"var a, b: TscXMLItem; begin a := TscXMLItem.Create; b := a.Add; b.AddItem(a) end.",
         "EInvalidOperation: An XML item cannot hold itself"},
        {"var d: TscXMLDocument; a: TscXMLItem; begin d := TscXMLDocument.Create; a := TscXMLItem.Create; a.AddItem(d.Root) end.",
         "EInvalidOperation: The XML item belongs to a document"},
        {"var a, b: TscXMLItem; begin a := TscXMLItem.Create; b := TscXMLItem.Create; a.Add; a.InsertItem(0, b); "
         "b.Name := 'first'; ShowMessage(a[0].Name + IntToStr(a.Count)); a.Free; ShowMessage(b.Name) end.",
         "first2|EObjectReferenceError: Invalid object reference"},
    });
}

TEST_F(ScriptModules, IniFileThroughScripts)
{
    const std::string file = path("a.ini");
    const auto run = [&](const std::string& body) { return runWithFile(body, "a.ini"); };
    EXPECT_EQ(run("var i: TIniFile; l: TStringList; begin i := TIniFile.Create(F); l := TStringList.Create; "
                  "l.Add('one'); l.Add('二'); l.Add(''); i.WriteString('S', 'other', 'x'); i.WriteTStrings('S', l, True); "
                  "ShowMessage(i.ClassName + IntToStr(i.ReadInteger('s', 'COUNT', -1)) + BoolToStr(i.ValueExists('S', 'other'))); "
                  "l.Clear; l.Add('keep'); ShowMessage(i.ReadTStrings('S', l, False)); ShowMessage(l.CommaText); "
                  "ShowMessage(IntToStr(Length(i.ReadTStrings('none', l)))) end."),
              "TIniFile30|one\r\n二\r\n\r\n|keep,one,二,|0|");
    EXPECT_EQ(read(file), "[S]\nItems0=one\nItems1=二\nItems2=\nCount=3\n");

    // A damaged Count reads no more lines than the section holds.
    write(file, "[S]\nCount=2000000000\nItems0=a\n");
    EXPECT_EQ(run("var i: TIniFile; l: TStringList; begin i := TIniFile.Create(F); l := TStringList.Create; "
                  "i.ReadTStrings('S', l); ShowMessage(IntToStr(l.Count)) end."),
              "2|");

    write(file, "; comment\n[V]\na = 1\nb=\"  quoted  \"\nc=  中文  \n");
    EXPECT_EQ(run("var i: TIniFile; l: TStringList; s: TMemoryStream; begin i := TIniFile.Create(F); l := TStringList.Create; "
                  "i.ReadSectionValuesEx('V', l); ShowMessage(l.CommaText); "
                  "ShowMessage('[' + i.ReadString('v', 'B', '') + '][' + i.ReadString('V', 'missing', 'def') + ']'); "
                  "s := TMemoryStream.Create; s.Write('[N]' + #13#10 + 'k=v', 8); s.Position := 0; i.LoadIniFileFromStream(s); "
                  "ShowMessage(BoolToStr(i.SectionExists('V')) + i.ReadString('N', 'k', '')) end."),
              "1,\"  quoted  \",中文|[  quoted  ][def]|0v|");
    EXPECT_EQ(read(file), "[N]\r\nk=v\r\n");

    // The memory file keeps its writes until it is saved through a stream.
    EXPECT_EQ(run("var m: TMemIniFile; s: TMemoryStream; b: String; begin m := TMemIniFile.Create(F); "
                  "m.WriteString('N', 'k', 'w'); m.WriteBool('N', 'flag', True); ShowMessage(m.ReadString('N', 'K', '')); "
                  "s := TMemoryStream.Create; m.SaveIniFileToStream(s); s.Position := 0; s.Read(b, 100); ShowMessage(b) end."),
              "w|[N]\r\nk=w\r\nflag=1\r\n|");
    EXPECT_EQ(read(file), "[N]\r\nk=v\r\n");
    EXPECT_EQ(runPascal("var i: TCustomIniFile; begin i := TCustomIniFile.Create('x.ini') end."),
              "EInvalidOperation: Cannot create an instance of abstract class TCustomIniFile");
}

TEST_F(ScriptModules, IniFileKeepsItsLayout)
{
    const std::string file = path("layout.ini");
    write(file, "\xEF\xBB\xBF; top\r\n[One]\r\nA=1\r\n\r\n[Two]\r\n; note\r\nB = 2\r\n");
    TIniFile ini(file);
    ini.WriteString("one", "c", " 3 ");
    ini.WriteString("TWO", "b", "二");
    ini.WriteInteger("Three", "n", 7);
    EXPECT_EQ(read(file), "\xEF\xBB\xBF; top\r\n[One]\r\nA=1\r\nc=3\r\n\r\n[Two]\r\n; note\r\nB=二\r\n\r\n[Three]\r\nn=7\r\n");
    ini.DeleteKey("One", "A");
    ini.EraseSection("two");
    EXPECT_EQ(read(file), "\xEF\xBB\xBF; top\r\n[One]\r\nc=3\r\n\r\n[Three]\r\nn=7\r\n");

    write(file, "[N]\nhex=0x1F\ndollar=$10\nbad=x\nflt=2.5\nday=2024-03-07\nbin=00FF41zz\n");
    TMemIniFile mem(file);
    EXPECT_EQ(mem.ReadInteger("N", "hex", 0), 31);
    EXPECT_EQ(mem.ReadInteger("N", "dollar", 0), 16);
    EXPECT_EQ(mem.ReadInteger("N", "bad", -1), -1);
    EXPECT_TRUE(mem.ReadBool("N", "hex", false));
    EXPECT_DOUBLE_EQ(mem.ReadFloat("N", "flt", 0), 2.5);
    EXPECT_DOUBLE_EQ(mem.ReadFloat("N", "bad", 1.5), 1.5);
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd", mem.ReadDate("N", "day", 0)), "2024-03-07");
    TMemoryStream bytes;
    EXPECT_EQ(mem.ReadBinaryStream("N", "bin", &bytes), 3);  // up to the bad digits
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.Memory()), 3), std::string("\0\xFF" "A", 3));
    mem.WriteBinaryStream("N", "copy", &bytes);
    EXPECT_EQ(mem.ReadString("N", "copy", ""), "00FF41");

    TIniFile locked((dir / "no" / "such" / "dir.ini").string());
    EXPECT_EQ(locked.ReadString("S", "k", "d"), "d");
    EXPECT_THROW(locked.WriteString("S", "k", "v"), EIniFileException);
}

TEST_F(ScriptModules, IniTextEdits)
{
    struct Case {
        const char* before;
        std::function<void(TIniText&)> edit;
        const char* after;
    };
    const Case cases[] = {
        // The first of two sections of one name is the one read and written;
        // erasing takes both.
        {"[A]\nk=1\n[A]\nk=2\n", [](TIniText& t) { t.Write("a", "K", "3"); }, "[A]\nk=3\n[A]\nk=2\n"},
        {"[A]\nk=1\n[B]\n[A]\nk=2\n", [](TIniText& t) { t.EraseSection("A"); }, "[B]\n"},
        // New keys go after the section's last line, before its blank lines.
        {"[A]\nk=1\n\n\n[B]\n", [](TIniText& t) { t.Write("A", "n", "2"); }, "[A]\nk=1\nn=2\n\n\n[B]\n"},
        // Line breaks and a missing final one are kept.
        {"[A]\r\nk=1", [](TIniText& t) { t.Write("A", "j", "2"); }, "[A]\r\nk=1\r\nj=2"},
        {"", [](TIniText& t) { t.Write(" S ", "k", ""); }, "[S]\nk=\n"},
        // The key keeps its spelling; blanks around it and the value go.
        {"  [ Sec ]  \n  Key  =  val  \n", [](TIniText& t) { t.Write("sec", "KEY", "new"); }, "  [ Sec ]  \nKey=new\n"},
        {"[A]\nk=1\nj=2\n", [](TIniText& t) { t.DeleteKey("A", "K"); t.DeleteKey("none", "j"); }, "[A]\nj=2\n"},
    };
    for (const Case& c : cases) {
        TIniText text;
        text.SetText(c.before);
        c.edit(text);
        EXPECT_EQ(text.Text(), c.after) << c.before;
    }
    TIniText text;
    text.SetText("; [A]\nk=0\n[A]\nline without equals\nk = v = w\n=nameless\n[B]\n");
    std::string value;
    EXPECT_TRUE(text.Read("A", "k", value));
    EXPECT_EQ(value, "v = w");
    EXPECT_EQ(text.Keys("A"), std::vector<std::string>{"k"});
    EXPECT_EQ(text.Sections(), (std::vector<std::string>{"A", "B"}));
    EXPECT_FALSE(text.Read("B", "k", value));
}

TEST_F(ScriptModules, IniLineBreaksAreRefusedNamingTheKey)
{
    const std::string file = path("breaks.ini");
    write(file, "[S]\r\nk=1\r\n");
    TIniFile ini(file);
    TMemIniFile mem(file);
    // Each would otherwise leave a key or a section that was never written.
    const std::pair<const char*, const char*> writes[] = {{"k", "2\nadmin=1"}, {"k", "x\ry"}, {"new\nkey", "v"}};
    for (const auto& [key, value] : writes) {
        for (TCustomIniFile* f : {static_cast<TCustomIniFile*>(&ini), static_cast<TCustomIniFile*>(&mem)}) {
            try {
                f->WriteString("S", key, value);
                ADD_FAILURE() << "written: " << value;
            } catch (const EIniFileException& e) {
                EXPECT_NE(std::string(e.what()).find(std::string("\"") + key + "\""), std::string::npos) << e.what();
            }
        }
    }
    mem.UpdateFile();
    EXPECT_EQ(read(file), "[S]\r\nk=1\r\n");
    // Breaks at either end go with the blanks, as they always did.
    ini.WriteString("S", "k", "\r\n2\r\n");
    EXPECT_EQ(read(file), "[S]\r\nk=2\r\n");
    // A script sees the refusal as a run-time error and the file stays.
    EXPECT_EQ(runWithFile("var i: TIniFile; begin i := TIniFile.Create(F); i.WriteString('S', 'k', 'a' + #10 + 'b'); i.Free end.",
                          "breaks.ini"),
              "EIniFileException: The value of ini key \"k\" in section [S] holds a line break");
    EXPECT_EQ(read(file), "[S]\r\nk=2\r\n");
}

TEST_F(ScriptModules, MemoryIniFileWritesOnlyWhenUpdated)
{
    const std::string file = path("mem.ini");
    write(file, "[S]\nk=1\n");
    TMemIniFile ini(file);
    ini.WriteString("S", "k", "2");
    ini.WriteString("T", "x", "y");
    EXPECT_EQ(read(file), "[S]\nk=1\n");
    ini.UpdateFile();
    EXPECT_EQ(read(file), "[S]\nk=2\n\n[T]\nx=y\n");
    TStringList lines;
    ini.GetStrings(&lines);
    EXPECT_EQ(lines.CommaText(), "[S],k=2,,[T],x=y");
    lines.SetCommaText("[N],a=b");
    ini.SetStrings(&lines);
    EXPECT_EQ(ini.ReadString("n", "A", ""), "b");
    EXPECT_FALSE(ini.SectionExists("S"));
    ini.Clear();
    EXPECT_FALSE(ini.SectionExists("N"));
    TMemIniFile missing(path("none.ini"));  // no file yet: empty, and nothing is created
    EXPECT_EQ(missing.ReadString("S", "k", "d"), "d");
    EXPECT_FALSE(fs::exists(path("none.ini")));
}

TEST_F(ScriptModules, RegistrarSkipsKnownClassesAndConvertsResults)
{
    TestScript t("var l: TStringList; begin l := TStringList.Create; "
                 "ShowMessage(l.Letter + ' ' + VarToStr(l.Wide) + ' ' + IntToStr(l.Bits) + ' ' + l.Itself.ClassName + ' ' + "
                 "VarToStr(l.Half) + ' ' + IntToStr(l.Kind)) end.");
    TscRegistrar r(&t.script);
    EXPECT_EQ(r.cls<TStringList>("TStrings").Record(), nullptr);  // known already: nothing is added
    TscClassRegistrar<TStringList>(t.script.FindClass("TStringList"))
        .property("Letter", "Char", [](TStringList&) { return 'x'; })
        .property("Wide", "Variant", [](TStringList&) { return uint32_t(4000000000u); })
        .property("Bits", "Integer", [](TStringList&) { return TFontStyles{fsBold, fsUnderline}; })
        .property("Itself", "TObject", [](TStringList& o) { return &o; })
        .property("Half", "Extended", [](TStringList&) { return 0.5L; })
        .property("Kind", "Integer", [](TStringList&) { return dupError; });
    EXPECT_EQ(t.run(), "x 4000000000 5 TStringList 0.5 2|");
}

// ---------------------------------------------------------------- adapters

namespace {

class TTestControl : public TComponent {
    DORVAK_CLASS(TTestControl, TComponent)
public:
    using TComponent::TComponent;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TCloseQueryEvent OnCloseQuery;
    TCanResizeEvent OnCanResize;
    TMouseEvent OnMouseDown;
    static void Publish(TClassBuilder<TTestControl>& b)
    {
        b.property("OnKeyDown", &TTestControl::OnKeyDown);
        b.property("OnKeyPress", &TTestControl::OnKeyPress);
        b.property("OnCloseQuery", &TTestControl::OnCloseQuery);
        b.property("OnCanResize", &TTestControl::OnCanResize);
        b.property("OnMouseDown", &TTestControl::OnMouseDown);
    }
};

class AdapterScript : public TestScript {
public:
    explicit AdapterScript(const std::string& text) : TestScript(text)
    {
        script.AddClass(TTestControl::StaticClass(), "TComponent");
        control->SetName("C");
        script.AddObject("C", control.get());
        EXPECT_EQ(run(), "");
    }
    std::unique_ptr<TTestControl> control = std::make_unique<TTestControl>();
};

}  // namespace

class EventAdapters : public ScriptModules {
protected:
    static void SetUpTestSuite()
    {
        ScriptModules::SetUpTestSuite();
        RegisterClass<TTestControl>(TTestControl::Publish);
    }
    static void TearDownTestSuite()
    {
        UnregisterClass<TTestControl>();
        ScriptModules::TearDownTestSuite();
    }
};

TEST_F(EventAdapters, VarArgumentsReachTheHost)
{
    AdapterScript t("procedure Q(Sender: TObject; var CanClose: Boolean); begin CanClose := False end; "
                    "procedure K(Sender: TObject; var Key: Word; Shift: Integer); begin if Shift = 4 then Key := Key + 1 end; "
                    "procedure R(Sender: TObject; var W, H: Integer; var Resize: Boolean); begin W := W * 2 end; "
                    "begin C.OnCloseQuery := @Q; C.OnKeyDown := 'K'; C.OnCanResize := 'R' end.");
    bool canClose = true;
    t.control->OnCloseQuery(t.control.get(), canClose);
    EXPECT_FALSE(canClose);
    uint16_t key = 65;
    t.control->OnKeyDown(t.control.get(), key, TShiftState{ssCtrl});
    EXPECT_EQ(key, 66);
    t.control->OnKeyDown(t.control.get(), key, TShiftState{ssShift});
    EXPECT_EQ(key, 66);  // untouched: the host's own code comes back
    int32_t w = 10, h = 20;
    bool resize = true;
    t.control->OnCanResize(t.control.get(), w, h, resize);
    EXPECT_EQ(std::tuple(w, h, resize), std::tuple(20, 20, true));
}

TEST_F(EventAdapters, HandlersDeclaringFewerOrMoreParameters)
{
    AdapterScript t("var got: String; "
                    "procedure P(Sender: TObject); begin got := 'p' end; "
                    "procedure Q(Sender: TObject; var CanClose: Boolean; Extra: Variant); "
                    "begin got := got + IntToStr(VarType(Extra)) end; "
                    "procedure M(Sender: TObject; Button, Shift, X, Y: Integer); begin got := got + IntToStr(Button + Shift + X + Y) end; "
                    "begin C.OnKeyPress := 'P'; C.OnCloseQuery := 'Q'; C.OnMouseDown := 'M' end.");
    std::string key = "a";
    t.control->OnKeyPress(t.control.get(), key);
    EXPECT_EQ(key, "a");
    bool canClose = true;
    t.control->OnCloseQuery(t.control.get(), canClose);
    EXPECT_TRUE(canClose);
    t.control->OnMouseDown(t.control.get(), mbRight, TShiftState{ssAlt, ssLeft}, 3, 4);
    EXPECT_EQ(t.script.FindLocal("got")->GetValue().toString(), "p018");
}

TEST_F(EventAdapters, EmptyKeyPressTextSwallowsTheKey)
{
    AdapterScript t("procedure P(Sender: TObject; var Key: Char); begin if Key = 'x' then Key := '' else Key := #0 end; "
                    "begin C.OnKeyPress := 'P' end.");
    std::string key = "x";
    t.control->OnKeyPress(t.control.get(), key);
    EXPECT_EQ(key, "");
    key = "中";
    t.control->OnKeyPress(t.control.get(), key);
    EXPECT_EQ(key, std::string(1, '\0'));
}

TEST_F(EventAdapters, FiringAfterTheScriptIsFreedRunsNothing)
{
    auto control = std::make_unique<TTestControl>();
    {
        AdapterScript t("procedure K(Sender: TObject; var Key: Word; Shift: Integer); begin Key := 0 end; "
                        "begin C.OnKeyDown := 'K' end.");
        control->OnKeyDown = t.control->OnKeyDown;  // the host kept a copy of the handler
        uint16_t key = 13;
        control->OnKeyDown(control.get(), key, TShiftState{});
        EXPECT_EQ(key, 0);
    }
    uint16_t key = 13;
    EXPECT_NO_THROW(control->OnKeyDown(control.get(), key, TShiftState{}));
    EXPECT_EQ(key, 13);
}

// ---------------------------------------------------------------- shadowing

namespace {

// Stands in for the report's module: serves IIF and SUM with 0.
class NotServed : public TscRTTIModule {
public:
    explicit NotServed(TscScript* script) : TscRTTIModule(script)
    {
        for (const char* syntax : {"function IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant",
                                   "function SUM(Expr: Variant): Variant"})
            script->AddMethodEx(syntax, [](TObject*, const TClass*, const std::string&, TscMethodHelper*) { return Variant(0); });
    }
};

}  // namespace

TEST_F(ScriptModules, LaterRegistrationsShadowAModulesFunctions)
{
    scRTTIModules()->Add(scpReport, "not-served", &scModuleFactory<NotServed>);
    TestScript t("begin ShowMessage(VarToStr(IIF(True, 'a', 'b')) + VarToStr(SUM(5))) end.");
    scRTTIModules()->Remove("not-served");
    EXPECT_EQ(t.run(), "00|");
    // What a preparation registers afterwards is found first; taking it away
    // brings the module's entry back.
    const void* preparation = &t;
    t.script.ClearItems(nullptr);
    t.script.AddedBy = preparation;
    t.script.AddMethodEx("function IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant",
                         [](TObject*, const TClass*, const std::string&, TscMethodHelper* c) {
                             return c->GetParam(0).toBool() ? c->GetParam(1) : c->GetParam(2);
                         });
    t.script.AddedBy = nullptr;
    t.ui.lines.clear();
    EXPECT_EQ(t.run(), "a0|");
    t.script.ClearItems(preparation);
    t.script.ClearItems(nullptr);
    t.ui.lines.clear();
    EXPECT_EQ(t.run(), "00|");
}
