// Streams: positions past the end, bounded reads and writes, copying,
// files and their errors.

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <thread>

#include "CoreClassesFixture.h"
#include "FailingWrites.h"
#include "IniFiles.h"
#include "StringLists.h"
#include "Streams.h"

namespace {

class StreamTest : public CoreClassesTest {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("streams_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string path(const char* name) const { return (dir_ / name).string(); }

    std::filesystem::path dir_;
};

std::string contents(TMemoryStream& s) { return std::string(reinterpret_cast<const char*>(s.Memory()), s.Size()); }

TEST_F(StreamTest, MemoryStreamWritesPastTheEndFillWithZeros)
{
    TMemoryStream s;
    s.WriteString("abc");
    EXPECT_EQ(s.Position(), 3);
    s.SetPosition(5);
    EXPECT_EQ(s.Size(), 3);  // seeking alone does not grow
    s.WriteString("z");
    EXPECT_EQ(contents(s), std::string("abc\0\0z", 6));
    s.Seek(-2, soEnd);
    EXPECT_EQ(s.ReadString(10), std::string("\0z", 2));
    EXPECT_EQ(s.ReadString(10), "");  // at the end

    char byte = 0;
    s.SetPosition(-1);  // a negative position moves nothing
    EXPECT_EQ(s.Read(&byte, 1), 0);
    EXPECT_EQ(s.Write("x", 1), 0);
    s.SetPosition(6);
    s.SetSize(2);
    EXPECT_EQ(s.Position(), 2);  // a position past the new end moves to it
    EXPECT_EQ(contents(s), "ab");
}

TEST_F(StreamTest, SeeksFarOutStayInRangeAndWritesThereFail)
{
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    TMemoryStream s;
    s.WriteString("abc");
    EXPECT_EQ(s.Seek(kMax, soCurrent), kMax);
    EXPECT_EQ(s.Seek(1, soCurrent), kMax);
    EXPECT_EQ(s.Seek(kMax, soEnd), kMax);
    EXPECT_EQ(s.Seek(kMin, soCurrent), kMin + kMax);
    EXPECT_EQ(s.Seek(kMin, soCurrent), kMin);
    // Nothing is allocated for a write whose end is beyond any size.
    s.SetPosition(kMax);
    EXPECT_RAISES(EStreamError, "Out of memory while expanding memory stream", s.WriteString("x"));
    s.SetPosition(kMax - 2);
    EXPECT_RAISES(EStreamError, "Out of memory while expanding memory stream", s.WriteString("xyz"));
    EXPECT_EQ(contents(s), "abc");

    TStringStream text("abc");
    EXPECT_EQ(text.Seek(kMax, soEnd), 3);
    EXPECT_EQ(text.Seek(kMin, soCurrent), 0);
}

TEST_F(StreamTest, MemoryStreamSavedToOrLoadedFromItself)
{
    TMemoryStream s;
    s.WriteString("0123456789");
    s.SetPosition(5);
    s.SaveToStream(&s);  // appends a copy from the position, growing the bytes
    EXPECT_EQ(contents(s), "012340123456789");
    EXPECT_EQ(s.Position(), 15);
    s.LoadFromStream(&s);
    EXPECT_EQ(contents(s), "012340123456789");
}

TEST_F(StreamTest, BoundedReadsAndWrites)
{
    TMemoryStream s;
    // Asking for more than the text holds writes the text only.
    EXPECT_EQ(s.WriteString("hello", 1000), 5);
    EXPECT_EQ(s.WriteString("hello", -3), 0);
    EXPECT_EQ(s.WriteString("hello", 2), 2);
    EXPECT_EQ(contents(s), "hellohe");
    s.SetPosition(4);
    const std::string read = s.ReadString(1'000'000'000);
    EXPECT_EQ(read, "ohe");  // exactly what was there
    EXPECT_EQ(s.ReadString(-1), "");

    // ReadBuffer is all or nothing.
    TStringStream abc("abc");
    char buffer[4] = {};
    abc.ReadBuffer(buffer, 3);
    abc.SetPosition(1);
    EXPECT_RAISES(EReadError, "Stream read error", abc.ReadBuffer(buffer, 3));
    abc.ReadBuffer(buffer, 0);  // nothing asked, nothing raised
}

TEST_F(StreamTest, CopyFromCopiesCountOrAllFromTheStart)
{
    TStringStream source("0123456789");
    source.SetPosition(4);
    TMemoryStream target;
    EXPECT_EQ(target.CopyFrom(&source, 3), 3);
    EXPECT_EQ(contents(target), "456");
    EXPECT_EQ(target.CopyFrom(&source, 0), 10);  // 0: the whole source
    EXPECT_EQ(contents(target), "4560123456789");
    source.SetPosition(8);
    EXPECT_RAISES(EReadError, "Stream read error", target.CopyFrom(&source, 5));
    EXPECT_EQ(target.CopyFrom(&source, -1), 0);

    // A copy spans many buffers.
    std::string big(200'000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    TStringStream bigSource(big);
    TStringStream bigTarget;
    EXPECT_EQ(bigTarget.CopyFrom(&bigSource, 0), 200'000);
    EXPECT_EQ(bigTarget.DataString(), big);
}

TEST_F(StreamTest, StringStreamWritesOverwriteAndKeepTheRest)
{
    TStringStream s("abcdef");
    s.SetPosition(2);
    s.WriteString("XY");
    EXPECT_EQ(s.DataString(), "abXYef");  // the tail after the write is kept
    s.Seek(100, soBeginning);
    EXPECT_EQ(s.Position(), 6);  // positions stay inside the text
    s.Seek(-100, soCurrent);
    EXPECT_EQ(s.Position(), 0);
    s.SetSize(3);
    EXPECT_EQ(s.DataString(), "abX");
    EXPECT_EQ(s.ReadString(10), "abX");
}

TEST_F(StreamTest, FileStreamsCreateOpenAndResize)
{
    const std::string name = path("data.bin");
    {
        TFileStream f(name, fmCreate);
        EXPECT_EQ(f.WriteString("0123456789"), 10);
        EXPECT_EQ(f.Size(), 10);
        f.SetSize(4);
        EXPECT_EQ(f.Position(), 4);
    }
    {
        TFileStream f(name, fmOpenReadWrite | fmShareExclusive);
        EXPECT_EQ(f.Size(), 4);
        f.Seek(0, soEnd);
        f.WriteString("xy");
        f.SetPosition(0);
        EXPECT_EQ(f.ReadString(100), "0123xy");
    }
    TFileStream readOnly(name, fmOpenRead);
    EXPECT_EQ(readOnly.Write("z", 1), 0);  // not opened for writing
    EXPECT_EQ(readOnly.FileName(), name);
}

TEST_F(StreamTest, FileErrorsNameTheFile)
{
    const std::string missing = path("missing.txt");
    try {
        TFileStream f(missing, fmOpenRead);
        ADD_FAILURE() << "opened a missing file";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.message().rfind("Cannot open file \"" + missing + "\". ", 0), 0u) << e.message();
    }
    EXPECT_THROW(TFileStream(path("no/such/folder.txt"), fmCreate), EFCreateError);
    EXPECT_THROW(TFileStream(dir_.string(), fmOpenRead), EFOpenError);  // a folder is no file
}

TEST_F(StreamTest, MemoryStreamFilesRoundTrip)
{
    TMemoryStream s;
    s.WriteString(std::string("\0\1\2binary", 9));
    s.SaveToFile(path("m.bin"));
    TMemoryStream back;
    back.WriteString("old contents longer");
    back.LoadFromFile(path("m.bin"));
    EXPECT_EQ(contents(back), contents(s));
    back.Clear();
    EXPECT_EQ(back.Size(), 0);
    EXPECT_EQ(back.Position(), 0);
}

// ---------------------------------------------------------------- saving whole files

std::string fileText(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(const std::string& name, const std::string& text) { std::ofstream(name, std::ios::binary) << text; }

// What the folder holds besides the named files: temporary files left over.
std::vector<std::string> leftovers(const std::filesystem::path& folder, std::initializer_list<const char*> known)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (std::find(known.begin(), known.end(), name) == known.end()) names.push_back(name);
    }
    return names;
}

TEST_F(StreamTest, ASavedFileChangesOnlyWhenCommitted)
{
    const std::string name = path("report.xml");
    writeText(name, "old");
    ::chmod(name.c_str(), 0640);
    {
        TSaveFileStream s(name);
        s.WriteString("new and longer");
        EXPECT_EQ(fileText(name), "old");  // the old file stands until the end
        s.Commit();
        s.Commit();  // once is enough
    }
    EXPECT_EQ(fileText(name), "new and longer");
    struct stat info {};
    ASSERT_EQ(::stat(name.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);  // the old file's permissions
    {
        // Given up half way (an exception while the caller writes).
        TSaveFileStream s(name);
        s.WriteString("half");
    }
    EXPECT_EQ(fileText(name), "new and longer");
    EXPECT_TRUE(leftovers(dir_, {"report.xml"}).empty());

    // A link keeps pointing at the file it named, now replaced.
    std::filesystem::create_symlink("report.xml", dir_ / "link.xml");
    TStringList lines;
    lines.Add("through the link");
    lines.SaveToFile(path("link.xml"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "link.xml"));
    EXPECT_EQ(fileText(name), "through the link\r\n");
    EXPECT_TRUE(leftovers(dir_, {"report.xml", "link.xml"}).empty());
}

TEST_F(StreamTest, ASaveThroughLinksWritesTheFileTheLastOneNames)
{
    auto save = [](const std::string& name, const std::string& text) -> std::string {
        try {
            TSaveFileStream s(name);
            s.WriteString(text);
            s.Commit();
            return "saved";
        } catch (const EStreamError& e) {
            return e.message();
        }
    };
    // A link to a file not made yet: the shell's "> link" makes that file.
    std::filesystem::create_directory(dir_ / "sub");
    std::filesystem::create_symlink("sub/made.pdf", dir_ / "dangling.pdf");
    EXPECT_EQ(save(path("dangling.pdf"), "one"), "saved");
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "dangling.pdf"));
    EXPECT_EQ(fileText(path("sub/made.pdf")), "one");

    // Relative links through another folder, to a file not made yet.
    std::filesystem::create_directory(dir_ / "other");
    std::filesystem::create_symlink("../sub/later.pdf", dir_ / "other" / "hop.pdf");
    std::filesystem::create_symlink("other/hop.pdf", dir_ / "chain.pdf");
    EXPECT_EQ(save(path("chain.pdf"), "two"), "saved");
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "chain.pdf"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "other" / "hop.pdf"));
    EXPECT_EQ(fileText(path("sub/later.pdf")), "two");

    // Links that name each other are refused as the shell refuses them.
    std::filesystem::create_symlink("loop2.pdf", dir_ / "loop1.pdf");
    std::filesystem::create_symlink("loop1.pdf", dir_ / "loop2.pdf");
    EXPECT_EQ(save(path("loop1.pdf"), "three"),
              "Cannot create file \"" + path("loop1.pdf") + "\". Too many levels of symbolic links");
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "loop1.pdf"));
    EXPECT_TRUE(leftovers(dir_, {"sub", "other", "dangling.pdf", "chain.pdf", "loop1.pdf", "loop2.pdf"}).empty());
    EXPECT_TRUE(leftovers(dir_ / "sub", {"made.pdf", "later.pdf"}).empty());
}

TEST_F(StreamTest, SavesThatCannotStartOrFinishNameTheFileAndTheReason)
{
    auto raised = [](auto&& save) -> std::string {
        try {
            save();
        } catch (const EStreamError& e) {
            return e.message();
        }
        return "nothing raised";
    };
    const std::string missingFolder = path("no/such/folder.rpp");
    EXPECT_EQ(raised([&] { TSaveFileStream s(missingFolder); }),
              "Cannot create file \"" + missingFolder + "\". No such file or directory");
    EXPECT_EQ(raised([&] { TSaveFileStream s(dir_.string()); }),
              "Cannot create file \"" + dir_.string() + "\". Is a directory");
    EXPECT_EQ(raised([] { TSaveFileStream s(""); }), "Cannot create file \"\". No such file or directory");

    // A full device says so, instead of a bare "Stream write error" (a
    // plain file stream: it opens what is there and renames nothing).
    const std::string big(100000, 'x');
    EXPECT_EQ(raised([&] {
                  TFileStream s("/dev/full", fmOpenWrite);
                  s.WriteBuffer(big.data(), static_cast<int64_t>(big.size()));
              }),
              "Cannot write file \"/dev/full\". No space left on device");
}

TEST_F(StreamTest, ASaveToWhatIsNoRegularFileWritesInPlace)
{
    // A pipe, here one of the test's own, as a device or a socket would be:
    // renaming a file over it would replace it.
    const std::string fifo = path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] {
        std::ifstream in(fifo, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        received = text.str();
    });
    {
        TSaveFileStream s(fifo);
        s.WriteString("through the pipe");
        s.Commit();
    }
    reader.join();
    EXPECT_EQ(received, "through the pipe");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(leftovers(dir_, {"pipe"}).empty());
}

TEST_F(StreamTest, AFullDiskOrAKillDuringASaveLeavesTheOldFile)
{
    const std::string name = path("pages.rpp");
    const std::string old(3000, 'o');
    writeText(name, old);
    const std::string fresh(200000, 'n');
    auto save = [&] {
        TMemoryStream s;
        s.WriteString(fresh);
        s.SaveToFile(name);
    };
    using failing_writes::Limit;
    const failing_writes::Outcome full = failing_writes::SaveInChild(save, 65536, Limit::Fails);
    EXPECT_EQ(full.signal, 0);
    EXPECT_FALSE(full.saved);
    EXPECT_EQ(full.message, "Cannot write file \"" + name + "\". File too large");
    EXPECT_EQ(fileText(name), old);
    EXPECT_TRUE(leftovers(dir_, {"pages.rpp"}).empty());

    const failing_writes::Outcome killed = failing_writes::SaveInChild(save, 65536, Limit::Kills);
    EXPECT_EQ(killed.signal, SIGXFSZ);
    EXPECT_EQ(fileText(name), old);

    // Room enough: the new file whole.
    const failing_writes::Outcome roomy = failing_writes::SaveInChild(save, 1 << 20, Limit::Kills);
    EXPECT_TRUE(roomy.saved) << roomy.message;
    EXPECT_EQ(fileText(name), fresh);
}

// The user saves run as: "nobody" when the tests run as root (root may
// write every file, as the shell lets it), else the caller.
struct SaveUser {
    uid_t uid = ::geteuid();
    gid_t gid = ::getegid();
    bool other = false;  // another user than the test's
};

SaveUser saveUser()
{
    SaveUser user;
    if (::geteuid() != 0) return user;
    const passwd* nobody = ::getpwnam("nobody");
    user.uid = nobody ? nobody->pw_uid : 65534;
    user.gid = nobody ? nobody->pw_gid : 65534;
    user.other = true;
    return user;
}

std::string saveText(const std::string& name, const std::string& text)
{
    const failing_writes::Outcome outcome = failing_writes::SaveAsUser(
        [&] {
            TSaveFileStream s(name);
            s.WriteString(text);
            s.Commit();
        },
        saveUser().uid, saveUser().gid);
    return outcome.saved ? "saved" : outcome.message;
}

TEST_F(StreamTest, ASaveRefusesWhatTheUserMayNotWrite)
{
    const SaveUser user = saveUser();
    ASSERT_EQ(::chown(dir_.c_str(), user.uid, user.gid), 0);
    const std::string readOnly = path("ro.rpp");
    writeText(readOnly, "kept");
    ASSERT_EQ(::chown(readOnly.c_str(), user.uid, user.gid), 0);
    ::chmod(readOnly.c_str(), 0444);
    EXPECT_EQ(saveText(readOnly, "new"), "Cannot create file \"" + readOnly + "\". Permission denied");
    EXPECT_EQ(fileText(readOnly), "kept");
    // Through a link the file it names is asked, and the link stays.
    std::filesystem::create_symlink("ro.rpp", dir_ / "link.rpp");
    EXPECT_EQ(saveText(path("link.rpp"), "new"), "Cannot create file \"" + path("link.rpp") + "\". Permission denied");
    EXPECT_EQ(fileText(readOnly), "kept");
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "link.rpp"));
    EXPECT_TRUE(leftovers(dir_, {"ro.rpp", "link.rpp"}).empty());

    // A folder the user may not add to: no new file, but a writable file
    // in it is written over.
    const std::filesystem::path locked = dir_ / "locked";
    std::filesystem::create_directory(locked);
    const std::string mine = (locked / "mine.rpp").string();
    writeText(mine, "old and longer");
    ASSERT_EQ(::chown(mine.c_str(), user.uid, user.gid), 0);
    ASSERT_EQ(::chown(locked.c_str(), user.other ? 0 : user.uid, user.other ? 0 : user.gid), 0);
    ::chmod(locked.c_str(), 0555);
    const std::string fresh = (locked / "new.rpp").string();
    EXPECT_EQ(saveText(fresh, "x"), "Cannot create file \"" + fresh + "\". Permission denied");
    EXPECT_EQ(saveText(mine, "new"), "saved");
    EXPECT_EQ(fileText(mine), "new");
    EXPECT_TRUE(leftovers(locked, {"mine.rpp"}).empty());
    ::chmod(locked.c_str(), 0755);
}

TEST_F(StreamTest, ASaveKeepsTheOwnerAndTheOtherNamesOfTheFile)
{
    const SaveUser user = saveUser();
    ASSERT_EQ(::chown(dir_.c_str(), user.uid, user.gid), 0);
    // Two names of one file: both see what was saved.
    const std::string first = path("first.ini");
    writeText(first, "old");
    ASSERT_EQ(::chown(first.c_str(), user.uid, user.gid), 0);
    std::filesystem::create_hard_link(first, dir_ / "second.ini");
    EXPECT_EQ(saveText(first, "new"), "saved");
    EXPECT_EQ(fileText(path("second.ini")), "new");
    EXPECT_TRUE(leftovers(dir_, {"first.ini", "second.ini"}).empty());
    if (!user.other) GTEST_SKIP() << "a file of another owner needs root to make";

    // Another user's file the user may write keeps its owner and mode.
    const std::string shared = path("shared.pdf");
    writeText(shared, "old and longer");
    ::chmod(shared.c_str(), 0666);
    EXPECT_EQ(saveText(shared, "new"), "saved");
    EXPECT_EQ(fileText(shared), "new");
    struct stat info {};
    ASSERT_EQ(::stat(shared.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 0u);
    EXPECT_EQ(info.st_gid, 0u);
    EXPECT_EQ(info.st_mode & 07777, 0666u);
    EXPECT_TRUE(leftovers(dir_, {"first.ini", "second.ini", "shared.pdf"}).empty());
}

TEST_F(StreamTest, IniFilesAreWrittenWholeAndSayWhyNot)
{
    const std::string name = path("settings.ini");
    writeText(name, "; kept\r\n[a]\r\nx=1\r\n");
    {
        TMemIniFile ini(name);
        ini.WriteString("a", "y", "2");
        ini.UpdateFile();
    }
    EXPECT_EQ(fileText(name), "; kept\r\n[a]\r\nx=1\r\ny=2\r\n");
    EXPECT_TRUE(leftovers(dir_, {"settings.ini"}).empty());

    const std::string nowhere = path("gone/settings.ini");
    TIniFile ini(nowhere);
    try {
        ini.WriteString("a", "x", "1");
        ADD_FAILURE() << "wrote into a missing folder";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.message(), "Unable to write to " + nowhere + ": Cannot create file \"" + nowhere +
                                   "\". No such file or directory");
    }
}

}  // namespace
