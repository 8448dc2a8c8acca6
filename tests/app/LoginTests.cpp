// Login, the first user, and the password change.
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "AppFixture.h"
#include "Md5.h"
#include "Udl.h"
#include "Uxgmm.h"
#include "main.h"

namespace {

const QString kBadLogin = QStringLiteral("用户密码有问题！");
const QString kHint = QStringLiteral("提示");

class Login : public AppFixture {
protected:
    void addUser(const std::string& name, const std::string& password)
    {
        seed({{"INSERT INTO zq_yhm(yhm, mm) VALUES(?, ?)", {name, MD5Hex(password)}}});
    }
    void typeLogin(const QString& name, const QString& password)
    {
        Fdl->Ed_yhm->setText(name);
        Fdl->Ed_mm->setText(password);
        Fdl->Button1->click();
    }
    // Fills the login's first-user group and presses its add button.
    void addFirstUser(const QString& name, const QString& password, const QString& again)
    {
        Fdl->Edit1->setText(name);
        Fdl->Edit3->setText(password);
        Fdl->Edit4->setText(again);
        Fdl->Button3->click();
    }
    // Fills the password change form and presses its button.
    static void changePassword(const QString& old, const QString& password, const QString& again)
    {
        Fxgmm->Edit1->setText(old);
        Fxgmm->Edit3->setText(password);
        Fxgmm->Edit4->setText(again);
        Fxgmm->Button3->click();
    }
    bool loggedIn() const { return Fdl->Tag == 1 && fmain->isVisible() && !Fdl->isVisible(); }
    std::string storedHash(const std::string& name)
    {
        return DM->Read("SELECT mm FROM zq_yhm WHERE yhm=?", {name}).value(0).asText();
    }
};

}  // namespace

TEST_F(Login, RightPasswordShowsTheMainWindow)
{
    addUser("张三", "secret");
    start();
    EXPECT_FALSE(Fdl->GroupBox1->isVisible());
    EXPECT_EQ(Fdl->size(), QSize(233, 118));
    typeLogin(QStringLiteral("张三"), QStringLiteral("secret"));
    EXPECT_TRUE(loggedIn());
    EXPECT_FALSE(app::Terminated());
    EXPECT_EQ(app::CurrentSession().userName, QStringLiteral("张三"));
}

TEST_F(Login, WrongPasswordThenOkLetsTheUserTryAgain)
{
    addUser("a", "right");
    start();
    Fdl->activateWindow();
    ui.expectMessage(gui::MsgResult::Ok, kBadLogin, kHint);
    typeLogin(QStringLiteral("a"), QStringLiteral("wrong"));
    EXPECT_FALSE(app::Terminated());
    EXPECT_EQ(Fdl->Tag, 0);
    EXPECT_FALSE(fmain->isVisible());
    EXPECT_EQ(Fdl->focusWidget(), Fdl->Ed_yhm);
    typeLogin(QStringLiteral("a"), QStringLiteral("right"));
    EXPECT_TRUE(loggedIn());
}

TEST_F(Login, WrongPasswordThenCancelEndsTheProgram)
{
    addUser("a", "right");
    start();
    ui.expectMessage(gui::MsgResult::Cancel, kBadLogin, kHint);
    typeLogin(QStringLiteral("a"), QStringLiteral("Right"));
    EXPECT_TRUE(app::Terminated());
}

TEST_F(Login, EmptyNamesTrailingBlanksAndInjectionsAreRefused)
{
    addUser("", "");
    addUser("a", "p");
    addUser("admin", "secret");
    start();
    for (const auto& [name, password] : {std::pair{"", ""}, {"a ", "p"}, {"x' or 1=1 or 'a'='", ""}, {"admin' --", ""}}) {
        ui.expectMessage(gui::MsgResult::Ok, kBadLogin, kHint);
        typeLogin(QString::fromUtf8(name), QString::fromUtf8(password));
        EXPECT_EQ(Fdl->Tag, 0) << name;
    }
    EXPECT_FALSE(fmain->isVisible());
}

TEST_F(Login, NameWithAQuoteIsStoredAndFound)
{
    start();
    addFirstUser(QStringLiteral("O'Brien"), QString(), QString());
    typeLogin(QStringLiteral("O'Brien"), QString());
    EXPECT_TRUE(loggedIn());
}

TEST_F(Login, EnterMovesToThePasswordThenLogsIn)
{
    addUser("a", "p");
    start();
    Fdl->activateWindow();
    Fdl->Ed_yhm->setFocus();
    Fdl->Ed_yhm->setText(QStringLiteral("a"));
    QTest::keyClick(Fdl->Ed_yhm, Qt::Key_Return);
    EXPECT_EQ(Fdl->focusWidget(), Fdl->Ed_mm);
    Fdl->Ed_mm->setText(QStringLiteral("p"));
    QTest::keyClick(Fdl->Ed_mm, Qt::Key_Return);
    EXPECT_TRUE(loggedIn());
}

TEST_F(Login, ClosingTheLoginWindowEndsTheProgram)
{
    addUser("a", "p");
    start();
    Fdl->close();
    EXPECT_TRUE(app::Terminated());
}

TEST_F(Login, CancelButtonEndsTheProgram)
{
    start();
    Fdl->Button2->click();
    EXPECT_TRUE(app::Terminated());
}

TEST_F(Login, FirstUserIsAddedThroughTheGroup)
{
    start();
    EXPECT_TRUE(Fdl->GroupBox1->isVisible());
    EXPECT_EQ(Fdl->size(), QSize(456, 142));
    // Mismatched passwords are ignored without a word.
    addFirstUser(QStringLiteral(" 李四 "), QStringLiteral("abc"), QStringLiteral("abd"));
    EXPECT_TRUE(Fdl->GroupBox1->isVisible());
    EXPECT_EQ(DM->Read("SELECT COUNT(*) FROM zq_yhm").value(0).asInt64(), 0);
    Fdl->Edit4->setText(QStringLiteral("abc"));
    Fdl->Button3->click();
    EXPECT_FALSE(Fdl->GroupBox1->isVisible());
    EXPECT_EQ(Fdl->size(), QSize(233, 118));
    EXPECT_EQ(storedHash("李四"), MD5Hex("abc"));  // the name is trimmed
    typeLogin(QStringLiteral("李四"), QStringLiteral("abc"));
    EXPECT_TRUE(loggedIn());
}

TEST_F(Login, PasswordsAreNeverTrimmed)
{
    start();
    addFirstUser(QStringLiteral("u"), QStringLiteral(" pw "), QStringLiteral(" pw "));
    ui.expectMessage(gui::MsgResult::Ok, kBadLogin, kHint);
    typeLogin(QStringLiteral("u"), QStringLiteral("pw"));
    typeLogin(QStringLiteral("u"), QStringLiteral(" pw "));
    EXPECT_TRUE(loggedIn());
}

TEST_F(Login, ChinesePasswordIsHashedOverItsGbkBytes)
{
    start();
    addFirstUser(QStringLiteral("u"), QStringLiteral("密码"), QStringLiteral("密码"));
    EXPECT_EQ(storedHash("u"), "D2293E30F0C964C5F6242486AA8A483C");
}

TEST_F(Login, OnlyTheLoggedInUserChangesHisPassword)
{
    addUser("a", "same");
    addUser("b", "same");
    start();
    typeLogin(QStringLiteral("b"), QStringLiteral("same"));
    ASSERT_TRUE(loggedIn());
    ui.expectModal(QStringLiteral("Fxgmm"), [](QDialog&) {
        changePassword(QStringLiteral("same"), QStringLiteral("新的"), QStringLiteral("新的"));
        return Fxgmm->result();
    });
    ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("密码修改成功下次登录用新密码"), app::kAppTitle);
    fmain->N6->trigger();
    EXPECT_EQ(storedHash("a"), MD5Hex("same"));
    EXPECT_EQ(storedHash("b"), MD5Hex("新的"));
}

TEST_F(Login, WrongOldPasswordOrMismatchChangesNothing)
{
    addUser("a", "old");
    start();
    typeLogin(QStringLiteral("a"), QStringLiteral("old"));
    changePassword(QStringLiteral("wrong"), QStringLiteral("n"), QStringLiteral("n"));
    changePassword(QStringLiteral("old"), QStringLiteral("n"), QStringLiteral("m"));
    EXPECT_EQ(storedHash("a"), MD5Hex("old"));
}

TEST_F(Login, SupportPageOpensThroughTheSeam)
{
    start();
    ui.expectUrl(app::kSupportUrl);
    Fdl->Button6->click();
}
