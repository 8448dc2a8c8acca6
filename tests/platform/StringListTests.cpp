// String lists: text forms, name=value pairs, sorting with duplicates,
// errors, notifications and files.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "CoreClassesFixture.h"
#include "Graphics.h"
#include "Streams.h"
#include "StringLists.h"
#include "SysUtils.h"

namespace {

class StringListTest : public CoreClassesTest {};

std::vector<std::string> items(const TStrings& list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Get(i));
    return out;
}

using Items = std::vector<std::string>;

// ---------------------------------------------------------------- text

TEST_F(StringListTest, TextJoinsWithCrLfAndSplitsAtAnyLineBreak)
{
    TStringList list;
    list.SetText("a\r\nb\nc\rd\r\n");
    EXPECT_EQ(items(list), (Items{"a", "b", "c", "d"}));
    EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n");
    list.SetText("\r\n\r\nx");
    EXPECT_EQ(items(list), (Items{"", "", "x"}));
    list.SetText("a\r\r\nb");  // a lone CR, then CR LF
    EXPECT_EQ(items(list), (Items{"a", "", "b"}));
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Text(), "");
    // A NUL is an ordinary character, not the end of the text.
    list.SetText(std::string("a\0b\nc", 5));
    EXPECT_EQ(items(list), (Items{std::string("a\0b", 3), "c"}));
}

TEST_F(StringListTest, CommaTextQuotesWhatWouldNotSurviveReading)
{
    TStringList list;
    for (const char* s : {"plain", "a b", "c,d", "say \"hi\"", "", "中文"}) list.Add(s);
    EXPECT_EQ(list.CommaText(), "plain,\"a b\",\"c,d\",\"say \"\"hi\"\"\",,中文");
    TStringList back;
    back.SetCommaText(list.CommaText());
    EXPECT_EQ(items(back), items(list));

    list.Clear();
    list.Add("");
    EXPECT_EQ(list.CommaText(), "\"\"");  // one empty string is not an empty list
    back.SetCommaText("\"\"");
    EXPECT_EQ(items(back), Items{""});
}

TEST_F(StringListTest, CommaTextReadingSplitsAtBlanksOutsideQuotes)
{
    TStringList list;
    list.SetCommaText("  a b,c ,, \"d, e\"x,");
    EXPECT_EQ(items(list), (Items{"a", "b", "c", "", "d, e", "x", ""}));
    list.SetCommaText(",a");
    EXPECT_EQ(items(list), (Items{"", "a"}));
    list.SetCommaText("\"unterminated, to the end");
    EXPECT_EQ(items(list), Items{"unterminated, to the end"});
    list.SetCommaText("   ");
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(StringListTest, DelimitedTextUsesItsOwnDelimiterAndQuote)
{
    TStringList list;
    list.SetDelimiter(';');
    list.SetQuoteChar('\'');
    list.SetDelimitedText("a;'b;c';'it''s'");
    EXPECT_EQ(items(list), (Items{"a", "b;c", "it's"}));
    EXPECT_EQ(list.DelimitedText(), "a;'b;c';'it''s'");
    EXPECT_EQ(list.CommaText(), "a,b;c,it's");
    EXPECT_EQ(list.Delimiter(), ';');  // CommaText left the settings alone
}

// ---------------------------------------------------------------- names and values

TEST_F(StringListTest, NamesAndValues)
{
    TStringList list;
    list.SetText("Host=example\r\nPort=8080\r\nnovalue\r\nPath=a=b\r\n");
    EXPECT_EQ(list.Names(0), "Host");
    EXPECT_EQ(list.Names(2), "");
    EXPECT_EQ(list.Values("PORT"), "8080");
    EXPECT_EQ(list.Values("Path"), "a=b");
    EXPECT_EQ(list.Values("novalue"), "");
    EXPECT_EQ(list.ValueFromIndex(2), "");  // no separator: no value, nothing cut off
    EXPECT_EQ(list.IndexOfName("path"), 3);

    list.SetValue("port", "9090");  // replaced in place
    EXPECT_EQ(list.Get(1), "port=9090");
    list.SetValue("User", "me");  // appended
    EXPECT_EQ(list.Get(4), "User=me");
    list.SetValue("Host", "");  // removed
    EXPECT_EQ(list.IndexOfName("Host"), -1);
    EXPECT_EQ(list.Count(), 4);

    // Values set in a sorted list keep it sorted.
    TStringList sorted;
    sorted.SetSorted(true);
    sorted.SetValue("b", "2");
    sorted.SetValue("a", "1");
    sorted.SetValue("b", "3");
    EXPECT_EQ(items(sorted), (Items{"a=1", "b=3"}));
}

// ---------------------------------------------------------------- sorting

TEST_F(StringListTest, SortedListsHandleDuplicatesAsAsked)
{
    TStringList list;
    list.SetSorted(true);
    for (const char* s : {"pear", "Apple", "fig"}) list.Add(s);
    EXPECT_EQ(items(list), (Items{"Apple", "fig", "pear"}));

    // dupIgnore: the existing one's index, nothing added.
    EXPECT_EQ(list.Add("APPLE"), 0);
    EXPECT_EQ(list.Count(), 3);

    list.SetDuplicates(dupError);
    EXPECT_RAISES(EStringListError, "Duplicates not allowed", list.Add("fig"));
    EXPECT_EQ(list.Count(), 3);

    // dupAccept: before the equal ones already there.
    list.SetDuplicates(dupAccept);
    TComponent marker;
    EXPECT_EQ(list.AddObject("FIG", &marker), 1);
    EXPECT_EQ(items(list), (Items{"Apple", "FIG", "fig", "pear"}));
    EXPECT_EQ(list.Objects(1), &marker);

    EXPECT_RAISES(EStringListError, "Operation not allowed on sorted list", list.Insert(0, "x"));
    EXPECT_RAISES(EStringListError, "Operation not allowed on sorted list", list.Put(0, "x"));
}

TEST_F(StringListTest, FindGivesTheInsertionPlaceWhenAbsent)
{
    TStringList list;
    list.SetCommaText("d,b,f");
    list.SetSorted(true);
    int index = -1;
    EXPECT_FALSE(list.Find("c", index));
    EXPECT_EQ(index, 1);
    EXPECT_TRUE(list.Find("F", index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(list.Find("z", index));
    EXPECT_EQ(index, 3);
}

TEST_F(StringListTest, CaseSensitivityChangesSearchesAndOrder)
{
    TStringList list;
    list.SetCommaText("b,B,a,A");
    EXPECT_EQ(list.IndexOf("A"), 2);  // ignoring case: the first match
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf("A"), 3);
    list.SetSorted(true);
    EXPECT_EQ(items(list), (Items{"A", "B", "a", "b"}));
    // Switching back re-sorts, so the binary search still finds everything.
    list.SetCaseSensitive(false);
    for (const char* s : {"a", "b", "A", "B"}) EXPECT_GE(list.IndexOf(s), 0) << s;
    int index = 0;
    EXPECT_TRUE(list.Find("b", index));
}

TEST_F(StringListTest, SortKeepsObjectsWithTheirStringsAndEqualOnesInOrder)
{
    TStringList list;
    TComponent one, two, three;
    list.AddObject("b", &one);
    list.AddObject("a", &two);
    list.AddObject("B", &three);
    list.Sort();
    EXPECT_EQ(items(list), (Items{"a", "b", "B"}));
    EXPECT_EQ(list.Objects(0), &two);
    EXPECT_EQ(list.Objects(2), &three);
    list.CustomSort([](TStringList* l, int i, int j) { return CompareStr((*l)[j], (*l)[i]); });
    EXPECT_EQ(items(list), (Items{"b", "a", "B"}));
}

// ---------------------------------------------------------------- editing

TEST_F(StringListTest, IndexErrorsNameTheIndex)
{
    TStringList list;
    list.Add("only");
    EXPECT_RAISES(EStringListError, "List index out of bounds (1)", list.Get(1));
    EXPECT_RAISES(EStringListError, "List index out of bounds (-1)", list.Delete(-1));
    EXPECT_RAISES(EStringListError, "List index out of bounds (2)", list.Insert(2, "x"));
    EXPECT_RAISES(EStringListError, "List index out of bounds (5)", list.Exchange(0, 5));
    EXPECT_RAISES(EStringListError, "List index out of bounds (3)", list.Objects(3));
    list.Insert(1, "end");  // at Count is allowed
    EXPECT_EQ(list.Count(), 2);
}

TEST_F(StringListTest, MoveExchangeAndObjects)
{
    TStringList list;
    TComponent marker;
    list.SetCommaText("a,b,c");
    list.PutObject(0, &marker);
    list.Move(0, 2);
    EXPECT_EQ(items(list), (Items{"b", "c", "a"}));
    EXPECT_EQ(list.Objects(2), &marker);
    EXPECT_EQ(list.IndexOfObject(&marker), 2);
    list.Exchange(0, 2);
    EXPECT_EQ(items(list), (Items{"a", "c", "b"}));
    EXPECT_EQ(list.Objects(0), &marker);
}

TEST_F(StringListTest, ObjectsFreedMeanwhileReadNil)
{
    TStringList list;
    TComponent kept;
    auto gone = std::make_unique<TComponent>();
    list.AddObject("gone", gone.get());
    list.AddObject("kept", &kept);
    gone.reset();
    EXPECT_EQ(list.Objects(0), nullptr);
    EXPECT_EQ(list.IndexOfObject(nullptr), 0);
    list.Sort();  // travels with its string, still nil
    TStringList copy;
    copy.Assign(&list);
    EXPECT_EQ(copy.Objects(0), nullptr);
    EXPECT_EQ(copy.Objects(1), &kept);
}

TEST_F(StringListTest, ChangeEventsWaitForTheOutermostEndUpdate)
{
    TStringList list;
    int changes = 0;
    int changing = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    list.OnChanging = [&](TObject*) { ++changing; };
    list.Add("a");
    EXPECT_EQ(changes, 1);
    list.BeginUpdate();
    list.BeginUpdate();
    list.Add("b");
    list.Delete(0);
    list.EndUpdate();
    EXPECT_EQ(changes, 1);
    list.EndUpdate();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(changing, 2);
    list.SetCommaText("x,y,z");  // one block, one event
    EXPECT_EQ(changes, 3);
}

TEST_F(StringListTest, AssignCopiesStringsObjectsAndSettings)
{
    TStringList from;
    TComponent marker;
    from.SetNameValueSeparator(':');
    from.AddObject("k:v", &marker);
    TStringList to;
    to.Add("old");
    to.Assign(&from);
    EXPECT_EQ(items(to), Items{"k:v"});
    EXPECT_EQ(to.Objects(0), &marker);
    EXPECT_EQ(to.Values("k"), "v");
    to.Assign(&to);
    EXPECT_EQ(to.Count(), 1);
    EXPECT_TRUE(to.Equals(&from));
    TFont notStrings;
    EXPECT_RAISES(EConvertError, "Cannot assign a TFont to a TStringList", to.Assign(&notStrings));
}

// ---------------------------------------------------------------- files

TEST_F(StringListTest, FilesAndStreamsRoundTripWithoutByteOrderMarks)
{
    const std::string path = (std::filesystem::temp_directory_path() / "strings_roundtrip.txt").string();
    TStringList list;
    list.SetCommaText("发货,second");
    list.SaveToFile(path);
    TStringList back;
    back.LoadFromFile(path);
    EXPECT_TRUE(back.Equals(&list));

    TStringStream withMark("\xEF\xBB\xBFone\r\ntwo");
    back.LoadFromStream(&withMark);
    EXPECT_EQ(items(back), (Items{"one", "two"}));
    std::remove(path.c_str());
    EXPECT_THROW(back.LoadFromFile(path), EFOpenError);

    // A stream is read from its position on.
    TStringStream stream("skip|a\nb");
    stream.SetPosition(5);
    back.LoadFromStream(&stream);
    EXPECT_EQ(items(back), (Items{"a", "b"}));
    TMemoryStream out;
    back.SaveToStream(&out);
    EXPECT_EQ(out.Size(), 6);
}

}  // namespace
