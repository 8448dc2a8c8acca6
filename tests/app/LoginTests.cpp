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

TEST_F(Login, EmptyUserNameFailsWithoutAsking)
{
    addUser("", "");
    start();
    ui.expectMessage(gui::MsgResult::Ok, kBadLogin, kHint);
    typeLogin(QString(), QString());
    EXPECT_EQ(Fdl->Tag, 0);
}

TEST_F(Login, UserNameWithATrailingBlankDoesNotMatch)
{
    addUser("a", "p");
    start();
    ui.expectMessage(gui::MsgResult::Ok, kBadLogin, kHint);
    typeLogin(QStringLiteral("a "), QStringLiteral("p"));
    EXPECT_EQ(Fdl->Tag, 0);
}

TEST_F(Login, InjectionStringIsRefused)
{
    addUser("admin", "secret");
    start();
    ui.expectMessage(gui::MsgResult::Ok, kBadLogin, kHint).expectMessage(gui::MsgResult::Ok, kBadLogin, kHint);
    typeLogin(QStringLiteral("x' or 1=1 or 'a'='"), QString());
    typeLogin(QStringLiteral("admin' --"), QString());
    EXPECT_EQ(Fdl->Tag, 0);
    EXPECT_FALSE(fmain->isVisible());
}

TEST_F(Login, NameWithAQuoteIsStoredAndFound)
{
    start();
    Fdl->Edit1->setText(QStringLiteral("O'Brien"));
    Fdl->Button3->click();
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
    Fdl->Edit1->setText(QStringLiteral(" 李四 "));
    Fdl->Edit3->setText(QStringLiteral("abc"));
    Fdl->Edit4->setText(QStringLiteral("abd"));
    Fdl->Button3->click();
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
    Fdl->Edit1->setText(QStringLiteral("u"));
    Fdl->Edit3->setText(QStringLiteral(" pw "));
    Fdl->Edit4->setText(QStringLiteral(" pw "));
    Fdl->Button3->click();
    ui.expectMessage(gui::MsgResult::Ok, kBadLogin, kHint);
    typeLogin(QStringLiteral("u"), QStringLiteral("pw"));
    typeLogin(QStringLiteral("u"), QStringLiteral(" pw "));
    EXPECT_TRUE(loggedIn());
}

TEST_F(Login, ChinesePasswordIsHashedOverItsGbkBytes)
{
    start();
    Fdl->Edit1->setText(QStringLiteral("u"));
    Fdl->Edit3->setText(QStringLiteral("密码"));
    Fdl->Edit4->setText(QStringLiteral("密码"));
    Fdl->Button3->click();
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
        Fxgmm->Edit1->setText(QStringLiteral("same"));
        Fxgmm->Edit3->setText(QStringLiteral("新的"));
        Fxgmm->Edit4->setText(QStringLiteral("新的"));
        Fxgmm->Button3->click();
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
    Fxgmm->Edit1->setText(QStringLiteral("wrong"));
    Fxgmm->Edit3->setText(QStringLiteral("n"));
    Fxgmm->Edit4->setText(QStringLiteral("n"));
    Fxgmm->Button3->click();
    Fxgmm->Edit1->setText(QStringLiteral("old"));
    Fxgmm->Edit4->setText(QStringLiteral("m"));
    Fxgmm->Button3->click();
    EXPECT_EQ(storedHash("a"), MD5Hex("old"));
}

TEST_F(Login, SupportPageOpensThroughTheSeam)
{
    start();
    ui.expectUrl(app::kSupportUrl);
    Fdl->Button6->click();
}
