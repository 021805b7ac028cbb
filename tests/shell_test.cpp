// The shell's own windows and services: password rules and dialogs, mail
// links, the about box, the single-instance check and the splash window.
#include "app/aboutdialog.h"
#include "app/mail.h"
#include "app/passworddialogs.h"
#include "app/passwordrules.h"
#include "app/singleinstance.h"
#include "app/splashwindow.h"
#include "app/startup.h"
#include "uisupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLockFile>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTranslator>

#include <optional>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using tessaro::test::ModalResponder;
using tessaro::test::SeenMessage;

template <typename T>
T* Child(QWidget& parent, const char* name)
{
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr)
        ADD_FAILURE() << "no child named " << name;
    return child;
}

void ExpectMessage(const SeenMessage& seen, const QString& title, const QString& text, QMessageBox::Icon icon)
{
    EXPECT_EQ(seen.title, title);
    EXPECT_EQ(seen.text, text);
    EXPECT_EQ(seen.icon, icon);
}

// Types into a field and presses a button of a dialog that is shown, not executed.
void Enter(QWidget& dialog, const char* field, const QString& text)
{
    Child<QLineEdit>(dialog, field)->setText(text);
}

void Press(QWidget& dialog, const char* button)
{
    Child<QPushButton>(dialog, button)->click();
}

const QString kWrongPassword = QStringLiteral(" *****  密碼錯誤，請重新輸入 !  *****");
const QString kMismatch = QStringLiteral(" *****  密碼輸入不一致，請重新輸入 !  *****");

TEST(PasswordRules, FirstPasswordIsNeededUntilTheMarkerStartsWithTheDefault)
{
    EXPECT_TRUE(tessaro::NeedsFirstPassword(QString()));
    EXPECT_TRUE(tessaro::NeedsFirstPassword(QStringLiteral("QX52")));
    EXPECT_TRUE(tessaro::NeedsFirstPassword(QStringLiteral("qx527")));
    EXPECT_FALSE(tessaro::NeedsFirstPassword(QStringLiteral("QX527")));
    EXPECT_FALSE(tessaro::NeedsFirstPassword(QStringLiteral("QX527 and more")));
}

TEST(PasswordRules, EntryIsComparedWithoutLetterCase)
{
    using tessaro::PasswordAccepted;
    EXPECT_TRUE(PasswordAccepted(QStringLiteral("qx527"), QStringLiteral("secret")));
    EXPECT_TRUE(PasswordAccepted(QStringLiteral("SeCrEt"), QStringLiteral("secret")));
    EXPECT_TRUE(PasswordAccepted(QStringLiteral("secret"), QStringLiteral("SECRET")));
    EXPECT_FALSE(PasswordAccepted(QStringLiteral("secre"), QStringLiteral("secret")));
    EXPECT_FALSE(PasswordAccepted(QString(), QStringLiteral("secret")));
    // No stored password (a short one reads back as missing): only the default opens.
    EXPECT_FALSE(PasswordAccepted(QString(), QString()));
    EXPECT_FALSE(PasswordAccepted(QStringLiteral("x"), QString()));
    EXPECT_TRUE(PasswordAccepted(QStringLiteral("QX527"), QString()));
}

TEST(PasswordRules, StoredPasswordIsASaltedHashOfTheUpperCaseForm)
{
    using namespace tessaro;
    const QString first = HashPassword(QStringLiteral("Line7"), 1000);
    const QString second = HashPassword(QStringLiteral("Line7"), 1000);
    EXPECT_TRUE(IsHashedPassword(first));
    EXPECT_TRUE(first.startsWith(QStringLiteral("pbkdf2-sha256$1000$"))) << first.toStdString();
    EXPECT_FALSE(first.contains(QStringLiteral("LINE7"), Qt::CaseInsensitive));
    EXPECT_NE(first, second) << "every password gets a salt of its own";
    for (const QString& entry : {QStringLiteral("Line7"), QStringLiteral("LINE7"), QStringLiteral("line7"),
                                 QStringLiteral("qx527")})
        EXPECT_TRUE(PasswordAccepted(entry, first)) << entry.toStdString();
    for (const QString& entry : {QStringLiteral("Line"), QStringLiteral("Line77"), QString(), first})
        EXPECT_FALSE(PasswordAccepted(entry, first)) << entry.toStdString();

    // A damaged or foreign stored form opens nothing but the default password.
    const QStringList parts = first.split(u'$');
    for (const QString& damaged :
         {parts.mid(0, 3).join(u'$'), QStringList{parts[0], QStringLiteral("0"), parts[2], parts[3]}.join(u'$'),
          QStringList{parts[0], QStringLiteral("99999999999"), parts[2], parts[3]}.join(u'$'),
          QStringList{parts[0], parts[1], QStringLiteral("!!"), parts[3]}.join(u'$'),
          QStringList{parts[0], parts[1], parts[2], parts[3].left(8)}.join(u'$'),
          QStringList{parts[0], parts[1], parts[3], parts[2] + parts[2]}.join(u'$')}) {
        EXPECT_TRUE(IsHashedPassword(damaged));
        EXPECT_FALSE(PasswordAccepted(QStringLiteral("Line7"), damaged)) << damaged.toStdString();
        EXPECT_FALSE(PasswordAccepted(damaged, damaged)) << damaged.toStdString();
    }
}

TEST(PasswordRules, StartDialogNeedsAStoredPasswordAndAWritableStore)
{
    using tessaro::StartDialogFor;
    using Dialog = tessaro::StartPasswordDialog;
    const QString marker = QStringLiteral("QX527");
    const QString stored = QStringLiteral("secret");
    EXPECT_EQ(StartDialogFor(marker, stored, true), Dialog::Login);
    EXPECT_EQ(StartDialogFor(marker, stored, false), Dialog::Login);
    EXPECT_EQ(StartDialogFor(QString(), QString(), true), Dialog::SetFirst);
    EXPECT_EQ(StartDialogFor(QString(), stored, true), Dialog::SetFirst);
    EXPECT_EQ(StartDialogFor(marker, QString(), true), Dialog::SetFirst) << "a marker without a password";
    EXPECT_EQ(StartDialogFor(QString(), QString(), false), Dialog::None) << "a new password would be lost";
    EXPECT_EQ(StartDialogFor(marker, QString(), false), Dialog::Login) << "the default password still opens";
}

TEST(LoginDialog, FourWrongEntriesCloseItWithoutAuthorization)
{
    bool authorized = true;
    tessaro::ui::LoginDialog dialog(QStringLiteral("secret"), authorized);
    ModalResponder responder;
    ModalResponder::ignore(&dialog);
    dialog.show();
    auto* field = Child<QLineEdit>(dialog, "txtPassword");
    EXPECT_EQ(field->echoMode(), QLineEdit::Password);
    EXPECT_EQ(field->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, field), '*');

    for (int attempt = 1; attempt <= 3; ++attempt) {
        Enter(dialog, "txtPassword", QStringLiteral("wrong%1").arg(attempt));
        Press(dialog, "cmdOK");
        EXPECT_EQ(dialog.failCount(), attempt);
        EXPECT_TRUE(dialog.isVisible()) << "attempt " << attempt;
        EXPECT_EQ(dialog.focusWidget(), field);
        EXPECT_EQ(field->selectedText(), QStringLiteral("wrong%1").arg(attempt));
    }
    Enter(dialog, "txtPassword", QStringLiteral("wrong4"));
    Press(dialog, "cmdOK");

    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.failCount(), 4);
    EXPECT_FALSE(dialog.loginSucceeded());
    EXPECT_FALSE(authorized);
    ASSERT_EQ(responder.messages().size(), 4U);
    for (const SeenMessage& seen : responder.messages())
        ExpectMessage(seen, QStringLiteral("錯誤"), kWrongPassword, QMessageBox::Critical);
}

TEST(LoginDialog, AcceptsTheStoredPasswordInAnyCaseAndTheDefault)
{
    for (const QString& entry : {QStringLiteral("MYPASS"), QStringLiteral("mypass"), QStringLiteral("qx527")}) {
        bool authorized = false;
        tessaro::ui::LoginDialog dialog(QStringLiteral("MyPass"), authorized);
        ModalResponder responder;
        ModalResponder::ignore(&dialog);
        dialog.show();
        Enter(dialog, "txtPassword", entry);
        // Enter presses the confirm button.
        QTest::keyClick(Child<QLineEdit>(dialog, "txtPassword"), Qt::Key_Return);
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << entry.toStdString();
        EXPECT_TRUE(dialog.loginSucceeded());
        EXPECT_TRUE(authorized);
        EXPECT_TRUE(responder.messages().empty());
    }
}

TEST(LoginDialog, RunsModallyAfterAWrongEntry)
{
    bool authorized = false;
    tessaro::ui::LoginDialog dialog(QStringLiteral("secret"), authorized);
    ModalResponder responder;
    responder.handleDialog([](QWidget* shown) {
        // Typed from the dialog's own event loop, so that the responder can
        // answer the message box that the first press opens.
        QTimer::singleShot(0, shown, [shown] {
            Enter(*shown, "txtPassword", QStringLiteral("nope"));
            Press(*shown, "cmdOK");
            Enter(*shown, "txtPassword", QStringLiteral("Secret"));
            Press(*shown, "cmdOK");
        });
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.failCount(), 1);
    EXPECT_TRUE(authorized);
    EXPECT_EQ(responder.messages().size(), 1U);
}

TEST(LoginDialog, CancelAndEscapeLeaveTheRunUnauthorized)
{
    for (const bool escape : {false, true}) {
        bool authorized = true;
        tessaro::ui::LoginDialog dialog(QStringLiteral("secret"), authorized);
        ModalResponder responder;
        ModalResponder::ignore(&dialog);
        dialog.show();
        Enter(dialog, "txtPassword", QStringLiteral("secret"));
        if (escape)
            QTest::keyClick(Child<QLineEdit>(dialog, "txtPassword"), Qt::Key_Escape);
        else
            Press(dialog, "cmdCancel");
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_FALSE(dialog.loginSucceeded());
        EXPECT_FALSE(authorized);
        EXPECT_EQ(dialog.failCount(), 0);
        EXPECT_TRUE(responder.messages().empty());
    }
}

TEST(SetPasswordDialog, EntriesMustMatchExactlyBeforeAnythingIsStored)
{
    std::optional<QString> stored;
    tessaro::ui::SetPasswordDialog dialog([&stored](const QString& password) { stored = password; });
    ModalResponder responder;
    ModalResponder::ignore(&dialog);
    dialog.show();
    Enter(dialog, "txtPassword2", QStringLiteral("Secret"));
    Enter(dialog, "txtPassword1", QStringLiteral("secret"));
    Press(dialog, "cmdOK");

    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(stored.has_value());
    ASSERT_EQ(responder.messages().size(), 1U);
    ExpectMessage(responder.messages()[0], QStringLiteral("錯誤"), kMismatch, QMessageBox::Critical);
    auto* confirm = Child<QLineEdit>(dialog, "txtPassword1");
    EXPECT_EQ(dialog.focusWidget(), confirm);
    EXPECT_EQ(confirm->selectedText(), QStringLiteral("secret"));

    Enter(dialog, "txtPassword1", QStringLiteral("Secret"));
    Press(dialog, "cmdOK");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(stored, QStringLiteral("Secret"));
    EXPECT_TRUE(dialog.passwordStored());
    EXPECT_EQ(responder.messages().size(), 1U);
}

TEST(SetPasswordDialog, EmptyPasswordIsRefusedAndCancelStoresNothing)
{
    std::optional<QString> stored;
    tessaro::ui::SetPasswordDialog confirmed([&stored](const QString& password) { stored = password; });
    ModalResponder responder;
    ModalResponder::ignore(&confirmed);
    confirmed.show();
    Enter(confirmed, "txtPassword1", QStringLiteral("abc"));
    Press(confirmed, "cmdOK");
    Enter(confirmed, "txtPassword1", QString());
    Press(confirmed, "cmdOK");
    EXPECT_TRUE(confirmed.isVisible());
    EXPECT_FALSE(stored.has_value());
    ASSERT_EQ(responder.messages().size(), 2U);
    for (const SeenMessage& seen : responder.messages())
        ExpectMessage(seen, QStringLiteral("錯誤"), QStringLiteral(" *****  密碼不可空白，請重新輸入 !  *****"),
                      QMessageBox::Critical);
    EXPECT_EQ(confirmed.focusWidget(), Child<QLineEdit>(confirmed, "txtPassword2"));

    tessaro::ui::SetPasswordDialog cancelled([&stored](const QString& password) { stored = password; });
    cancelled.show();
    Enter(cancelled, "txtPassword2", QStringLiteral("abc"));
    Enter(cancelled, "txtPassword1", QStringLiteral("abc"));
    Press(cancelled, "cmdCancel");
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
    EXPECT_FALSE(cancelled.passwordStored());
    EXPECT_FALSE(stored.has_value());
}

TEST(SetPasswordDialog, FirstStartCaptionAndBack)
{
    tessaro::ui::SetPasswordDialog dialog({});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("密碼設定"));
    dialog.setFirstStart(true);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("第一次密碼設定"));
    dialog.setFirstStart(false);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("密碼設定"));
}

TEST(Mail, LinkLeavesOutEmptyPartsAndEscapesNothing)
{
    using tessaro::MailtoLink;
    const QString to = QStringLiteral("a@b.example");
    EXPECT_EQ(MailtoLink(to, {}, {}, {}, {}, {}), QStringLiteral("mailto:a@b.example"));
    EXPECT_EQ(MailtoLink(to, {}, QStringLiteral("hello there"), {}, {}, {}),
              QStringLiteral("mailto:a@b.example?Body=hello there"));
    EXPECT_EQ(MailtoLink(to, QStringLiteral("S"), QStringLiteral("B"), QStringLiteral("c@x"), QStringLiteral("d@x"),
                         QStringLiteral("C:\\my file.txt")),
              QStringLiteral("mailto:a@b.example?Subject=S&Body=B&CC=c@x&BCC=d@x&Attach=\"C:\\my file.txt\""));
    EXPECT_EQ(MailtoLink(to, {}, {}, {}, QStringLiteral("d@x"), {}), QStringLiteral("mailto:a@b.example?BCC=d@x"));
    EXPECT_EQ(MailtoLink(to, QStringLiteral("a&b?c 中"), {}, {}, {}, {}),
              QStringLiteral("mailto:a@b.example?Subject=a&b?c 中"));
}

TEST(Mail, SupportMailAndWebSiteGoToTheOpener)
{
    QStringList opened;
    const tessaro::ui::LinkOpener record = [&opened](const QString& link) { opened << link; };
    tessaro::ui::SendSupportMail(record);
    tessaro::ui::OpenWebSite(record);

    ASSERT_EQ(opened.size(), 2);
    EXPECT_TRUE(tessaro::SupportMailAddress().contains(QLatin1Char('@')));
    EXPECT_EQ(opened[0], QStringLiteral("mailto:") + tessaro::SupportMailAddress() +
                             QStringLiteral("?Subject=TESSARO 技術問題"));
    EXPECT_TRUE(tessaro::WebAddress().startsWith(QStringLiteral("http")));
    EXPECT_EQ(opened[1], tessaro::WebAddress());
}

TEST(Mail, NoMailProgramIsToldWithTheAddressToWriteTo)
{
    ModalResponder responder;
    EXPECT_FALSE(tessaro::ui::SendSupportMail([](const QString&) { return false; }));
    ASSERT_EQ(responder.messages().size(), 1U);
    ExpectMessage(responder.messages()[0], QStringLiteral("TESSARO "),
                  tessaro::ui::NoMailProgramText(tessaro::SupportMailAddress()), QMessageBox::Warning);
    EXPECT_TRUE(responder.messages()[0].text.contains(tessaro::SupportMailAddress()));

    responder.clear();
    EXPECT_TRUE(tessaro::ui::SendSupportMail([](const QString&) { return true; }));
    EXPECT_TRUE(tessaro::ui::SendSupportMail([](const QString&) {})) << "an opener that says nothing took the link";
    EXPECT_TRUE(responder.messages().empty());
}

TEST(ToolkitTranslations, MissingFileIsNoErrorAndTheInstalledOneTranslatesTheButtons)
{
    QTemporaryDir empty;
    QTranslator none;
    EXPECT_FALSE(tessaro::LoadToolkitTranslations(none, empty.path()));
    EXPECT_TRUE(none.isEmpty());

    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_zh_TW.qm")))
        GTEST_SKIP() << "the toolkit's Traditional Chinese texts are not installed";
    QTranslator texts;
    ASSERT_TRUE(tessaro::LoadToolkitTranslations(texts));
    EXPECT_EQ(texts.language(), QStringLiteral("zh_TW"));
    EXPECT_FALSE(texts.translate("QPlatformTheme", "Cancel").isEmpty());
    EXPECT_NE(texts.translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

TEST(AboutDialog, ShowsProductAndVersion)
{
    tessaro::ui::AboutDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About TESSARO "));
    EXPECT_EQ(Child<QLabel>(dialog, "lblTitle")->text(), QStringLiteral("TESSARO "));
    EXPECT_EQ(Child<QLabel>(dialog, "lblVersion")->text(), QStringLiteral("Version 1.1.0")) << "the product's version";
    EXPECT_EQ(Child<QPushButton>(dialog, "cmdOK")->text(), QStringLiteral("關   閉"));
    EXPECT_EQ(Child<QPushButton>(dialog, "cmdSysInfo")->text(), QStringLiteral("系統資訊"));
    EXPECT_NE(Child<QWidget>(dialog, "Picture1"), nullptr);

    ModalResponder::ignore(&dialog);
    dialog.show();
    Press(dialog, "cmdOK");
    EXPECT_FALSE(dialog.isVisible());
}

TEST(AboutDialog, SaysSystemInformationIsUnavailableWhenNoViewerStarts)
{
    // No viewer found, and a viewer that cannot be started.
    for (const QString& program : {QString(), QStringLiteral("/nonexistent/sysinfo-viewer")}) {
        tessaro::ui::AboutDialog dialog(nullptr, [program] { return program; });
        ModalResponder responder;
        ModalResponder::ignore(&dialog);
        dialog.show();
        Press(dialog, "cmdSysInfo");
        ASSERT_EQ(responder.messages().size(), 1U) << program.toStdString();
        const SeenMessage& seen = responder.messages()[0];
        ExpectMessage(seen, QStringLiteral("TESSARO "), QStringLiteral("System Information Is Unavailable At This Time"),
                      QMessageBox::NoIcon);
        EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_TRUE(dialog.isVisible());
    }
}

// Sets an environment variable for the length of a test.
class EnvironmentGuard
{
public:
    EnvironmentGuard(const char* name, const QString& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, value.toLocal8Bit());
    }
    ~EnvironmentGuard()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

// A private folder of the test's own for the lock and the socket.
class SingleInstanceTest : public ::testing::Test
{
protected:
    QTemporaryDir temporary;
    QString folder = temporary.path();
};

TEST_F(SingleInstanceTest, SecondInstanceStepsBackAndActivatesTheFirst)
{
    tessaro::ui::SingleInstance first(folder);
    QSignalSpy activated(&first, &tessaro::ui::SingleInstance::activateRequested);
    ASSERT_TRUE(first.tryBecomePrimary());
    EXPECT_TRUE(first.serverName().startsWith(folder + u'/'));

    tessaro::ui::SingleInstance second(folder);
    EXPECT_FALSE(second.tryBecomePrimary());
    EXPECT_FALSE(activated.wait(200)) << "asking whether one runs activates nothing";
    second.activatePrimary();
    EXPECT_TRUE(activated.wait(3000));
    EXPECT_EQ(activated.count(), 1);

    tessaro::ui::SingleInstance third(folder);
    EXPECT_FALSE(third.tryBecomePrimary());
    third.activatePrimary();
    EXPECT_TRUE(activated.wait(3000));
}

TEST_F(SingleInstanceTest, FilesOfALaterStartAreHandedToTheFirstAsAbsolutePaths)
{
    tessaro::ui::SingleInstance first(folder);
    ASSERT_TRUE(first.tryBecomePrimary());
    QStringList events;
    QObject::connect(&first, &tessaro::ui::SingleInstance::openRequested, &first,
                     [&events](const QString& path) { events << QStringLiteral("open ") + path; });
    QObject::connect(&first, &tessaro::ui::SingleInstance::activateRequested, &first,
                     [&events] { events << QStringLiteral("activate"); });
    QSignalSpy activated(&first, &tessaro::ui::SingleInstance::activateRequested);

    tessaro::ui::SingleInstance second(folder);
    ASSERT_FALSE(second.tryBecomePrimary());
    // A relative name, and names with spaces, a line break and Chinese characters.
    const QString odd = QStringLiteral("/tmp/模組 a\nb.spd");
    const QString longName = QStringLiteral("/tmp/") + QString(250, u'長') + QStringLiteral(".bin");
    second.activatePrimary({QStringLiteral("relative.spd"), odd, longName});
    ASSERT_TRUE(activated.wait(3000));
    EXPECT_EQ(events, QStringList({QStringLiteral("open ") + QDir::current().absoluteFilePath(QStringLiteral("relative.spd")),
                                   QStringLiteral("open ") + odd, QStringLiteral("open ") + longName,
                                   QStringLiteral("activate")}))
        << "the files first, then the window to the front";
}

TEST_F(SingleInstanceTest, LaterStartWithFilesHandsThemOverQuietlyWithoutShowsTheMessage)
{
    tessaro::ui::SingleInstance first(folder);
    ASSERT_TRUE(first.tryBecomePrimary());
    QSignalSpy opened(&first, &tessaro::ui::SingleInstance::openRequested);
    QSignalSpy activated(&first, &tessaro::ui::SingleInstance::activateRequested);
    for (const QStringList& files : {QStringList{QStringLiteral("/tmp/a.spd")}, QStringList{}}) {
        ModalResponder responder;
        tessaro::ui::SingleInstance later(folder);
        ASSERT_FALSE(later.tryBecomePrimary());
        tessaro::StepBackForRunningInstance(later, files);
        ASSERT_TRUE(activated.wait(3000));
        EXPECT_EQ(responder.messages().size(), files.isEmpty() ? 1U : 0U) << files.join(u' ').toStdString();
    }
    ASSERT_EQ(opened.count(), 1);
    EXPECT_EQ(opened.at(0).at(0).toString(), QStringLiteral("/tmp/a.spd"));
}

TEST_F(SingleInstanceTest, NextStartAfterTheFirstHasEndedBecomesPrimary)
{
    {
        tessaro::ui::SingleInstance first(folder);
        ASSERT_TRUE(first.tryBecomePrimary());
    }
    tessaro::ui::SingleInstance next(folder);
    EXPECT_TRUE(next.tryBecomePrimary());
}

#ifdef Q_OS_UNIX
TEST_F(SingleInstanceTest, LockAndSocketLeftByACrashNeverBlockAStart)
{
    const QString socket = tessaro::ui::SingleInstance(folder).serverName();
    QFile leftover(socket);
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    // A lock whose process has ended, as a crash leaves it.
    const QString lockPath = socket.chopped(QStringLiteral(".socket").size()) + QStringLiteral(".lock");
    QByteArray lockText;
    {
        QLockFile lock(lockPath);
        ASSERT_TRUE(lock.tryLock(0));
        QFile file(lockPath);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        lockText = file.readAll();
        lock.unlock();
    }
    QProcess ended;
    ended.start(QStringLiteral("true"), {});
    ASSERT_TRUE(ended.waitForStarted(5000));
    const qint64 endedPid = ended.processId();
    ASSERT_TRUE(ended.waitForFinished(5000));
    QFile file(lockPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::number(endedPid) + lockText.mid(lockText.indexOf('\n')));
    file.close();

    tessaro::ui::SingleInstance primary(folder);
    EXPECT_TRUE(primary.tryBecomePrimary());
    tessaro::ui::SingleInstance later(folder);
    EXPECT_FALSE(later.tryBecomePrimary());
}

TEST_F(SingleInstanceTest, PrivateFolderIsNamedByUserIdAndCannotBeSquatted)
{
    using tessaro::ui::EnsurePrivateDirectory;
    using tessaro::ui::SingleInstance;
    const QString uid = QString::number(::geteuid());
    const QString runtime = QDir(folder).filePath(QStringLiteral("runtime"));
    const QString tmp = QDir(folder).filePath(QStringLiteral("tmp"));
    const QString cache = QDir(folder).filePath(QStringLiteral("cache"));
    ASSERT_TRUE(QDir().mkpath(runtime) && QDir().mkpath(tmp));
    const EnvironmentGuard tmpdir("TMPDIR", tmp);
    const EnvironmentGuard cacheHome("XDG_CACHE_HOME", cache);
    const EnvironmentGuard runtimeDir("XDG_RUNTIME_DIR", runtime);
    const QString ownTmp = QDir(tmp).filePath(QStringLiteral("tessaro-") + uid);

    // A runtime folder others may enter is not used; the shared temporary
    // folder then gets a private one named by the user id.
    ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), 0755), 0);
    EXPECT_EQ(SingleInstance::PrivateRuntimeDirectory(), ownTmp);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(ownTmp).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0U) << "no access for group and others";
    ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), 0700), 0);
    EXPECT_EQ(SingleInstance::PrivateRuntimeDirectory(), runtime);

    // Someone's link in its place is refused and the user's cache folder used.
    qunsetenv("XDG_RUNTIME_DIR");
    ASSERT_TRUE(QDir(ownTmp).removeRecursively());
    ASSERT_TRUE(QFile::link(runtime, ownTmp));
    QString why;
    EXPECT_FALSE(EnsurePrivateDirectory(ownTmp, &why));
    EXPECT_EQ(why, QStringLiteral("not a folder"));
    EXPECT_EQ(SingleInstance::PrivateRuntimeDirectory(), QDir(cache).filePath(QStringLiteral("tessaro-") + uid));

    // A folder of another user in its place, where the test may hand one over.
    QFile::remove(ownTmp);
    ASSERT_TRUE(QDir().mkdir(ownTmp));
    if (::chown(QFile::encodeName(ownTmp).constData(), 65534, 65534) == 0) {
        EXPECT_FALSE(EnsurePrivateDirectory(ownTmp, &why));
        EXPECT_EQ(why, QStringLiteral("owned by user 65534"));
        EXPECT_NE(SingleInstance::PrivateRuntimeDirectory(), ownTmp);
    }
}
#endif

TEST(SingleInstance, AlreadyRunningMessage)
{
    ModalResponder responder;
    tessaro::ui::ShowAlreadyRunning(nullptr);
    ASSERT_EQ(responder.messages().size(), 1U);
    ExpectMessage(responder.messages()[0], QStringLiteral("TESSARO "), QStringLiteral("本程式已執行"),
                  QMessageBox::Critical);
}

TEST(SplashWindow, CaptionInTimesNewRoman)
{
    tessaro::ui::SplashWindow splash;
    auto* caption = Child<QLabel>(splash, "lblCaption");
    EXPECT_EQ(caption->text(), QStringLiteral("TESSARO   Ver: 1.1"));
    EXPECT_EQ(caption->font().family(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(splash.closeDelay(), 2000);
}

TEST(SplashWindow, ClosesItselfOnItsTimer)
{
    tessaro::ui::SplashWindow splash;
    splash.setCloseDelay(60);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(splash.exec(), QDialog::Accepted);
    EXPECT_GE(clock.elapsed(), 50);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(splash.isVisible());
}

TEST(SplashWindow, ClickOnThePictureClosesItAtOnce)
{
    tessaro::ui::SplashWindow splash;
    splash.setCloseDelay(60000);
    // The click comes once the window's own event loop runs (a click while
    // exec() is still showing the window would close it before its loop starts).
    const int outerLoops = QThread::currentThread()->loopLevel();
    QTimer clicker;
    clicker.setInterval(10);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (QThread::currentThread()->loopLevel() <= outerLoops || !splash.isVisible())
            return;
        clicker.stop();
        QTest::mouseClick(splash.picture(), Qt::LeftButton);
    });
    clicker.start();
    QElapsedTimer clock;
    clock.start();
    splash.exec();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(splash.isVisible());
}

}  // namespace
