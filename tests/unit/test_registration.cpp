// File-type registration into private XDG folders: the files a desktop reads, what the
// freedesktop tools then answer, the once-only marker and folders that cannot be written.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include "shell/FreedesktopFiles.h"
#include "shell/RegisterFileType.h"
#include "support/QtPrinters.h"

namespace {

const QString kType = QStringLiteral("application/x-vistrel-mjp");

QByteArray ReadBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
QString ReadText(const QString& path) { return QString::fromUtf8(ReadBytes(path)); }

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
  f.write(bytes);
}

// Sets an environment variable for the scope and puts the old state back after it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QString& value)
      : name_(name), wasSet_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    qputenv(name, value.toUtf8());
  }
  ~ScopedEnv() {
    if (wasSet_) qputenv(name_, old_);
    else qunsetenv(name_);
  }

 private:
  const char* name_;
  bool wasSet_;
  QByteArray old_;
};

// The output of a tool, trimmed; empty when it is missing or fails.
QString Output(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(20000)) return {};
  return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

bool Have(const char* tool) { return !QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(); }

class Registration : public ::testing::Test {
 protected:
  QTemporaryDir root;
  QString data = root.filePath("data");
  QString config = root.filePath("config");
  ScopedEnv dataHome{"XDG_DATA_HOME", data};
  ScopedEnv configHome{"XDG_CONFIG_HOME", config};

  QString desktopEntry() const { return data + "/applications/vistrel.desktop"; }
  QString mimePackage() const { return data + "/mime/packages/vistrel.xml"; }
  QString icon() const { return data + "/icons/hicolor/scalable/apps/vistrel.svg"; }
  QString mimeapps() const { return config + "/mimeapps.list"; }
  QString marker() const { return config + "/vistrel/registered"; }

  static void Register(const QString& program = "/opt/Vistrel app/vistrel") {
    RegisterFileType(".MJP", "Sekwencja wideo", program);
  }
};

}  // namespace

TEST_F(Registration, WritesMimePackageIconDesktopEntryAndDefault) {
  Register();

  const QString xml = ReadText(mimePackage());
  EXPECT_TRUE(xml.contains("<mime-type type=\"application/x-vistrel-mjp\">")) << xml.toStdString();
  EXPECT_TRUE(xml.contains("<comment>Sekwencja wideo</comment>")) << xml.toStdString();
  EXPECT_TRUE(xml.contains("<glob pattern=\"*.mjp\"/>")) << xml.toStdString();
  EXPECT_TRUE(xml.contains("<glob pattern=\"*.MJP\"/>")) << xml.toStdString();
  EXPECT_TRUE(xml.contains("<icon name=\"vistrel\"/>")) << xml.toStdString();

  const QStringList entry = ReadText(desktopEntry()).split('\n');
  EXPECT_TRUE(entry.contains("Exec=\"/opt/Vistrel app/vistrel\" %f")) << entry.join("\n").toStdString();
  EXPECT_TRUE(entry.contains("MimeType=application/x-vistrel-mjp;")) << entry.join("\n").toStdString();
  EXPECT_TRUE(entry.contains("Name=Vistrel")) << entry.join("\n").toStdString();
  EXPECT_TRUE(entry.contains("Icon=vistrel")) << entry.join("\n").toStdString();

  EXPECT_EQ(ReadBytes(icon()), ReadBytes(VISTREL_SOURCE_DIR "/packaging/vistrel.svg"));
  EXPECT_EQ(ReadText(mimeapps()),
            "[Default Applications]\n"
            "application/x-vistrel-mjp=vistrel.desktop;\n"
            "\n"
            "[Added Associations]\n"
            "application/x-vistrel-mjp=vistrel.desktop;\n");
}

TEST_F(Registration, RebuildsTheDatabasesDesktopsRead) {
  if (!Have("update-mime-database") || !Have("update-desktop-database"))
    GTEST_SKIP() << "update-mime-database or update-desktop-database not installed";
  Register();
  EXPECT_TRUE(QFileInfo::exists(data + "/mime/mime.cache"));
  EXPECT_TRUE(ReadText(data + "/mime/globs2").contains("application/x-vistrel-mjp:*.mjp"));
  EXPECT_TRUE(ReadText(data + "/applications/mimeinfo.cache")
                  .contains("application/x-vistrel-mjp=vistrel.desktop;"));
}

TEST_F(Registration, XdgMimeAnswersOurTypeAndOurProgram) {
  if (!Have("xdg-mime")) GTEST_SKIP() << "xdg-mime not installed";
  Register();
  // JPEG bytes: the name, not the content, must decide.
  const QByteArray jpegStart("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10);
  for (const char* name : {"nagranie z kamery.MJP", "nagranie z kamery.mjp"}) {
    const QString file = root.filePath(name);
    WriteBytes(file, jpegStart);
    EXPECT_EQ(Output("xdg-mime", {"query", "filetype", file}), kType)
        << name << " (without a desktop, xdg-mime needs `mimetype` from libfile-mimeinfo-perl)";
  }
  EXPECT_EQ(Output("xdg-mime", {"query", "default", kType}), "vistrel.desktop");
}

TEST_F(Registration, ReplacesAnEarlierChoiceAndKeepsEveryOtherLine) {
  WriteBytes(mimeapps(),
             "[Default Applications]\n"
             "text/plain=gedit.desktop;\n"
             "application/x-vistrel-mjp=mpv.desktop;\n"
             "image/png=eog.desktop;\n"
             "\n"
             "[Added Associations]\n"
             "application/x-vistrel-mjp=mpv.desktop;vlc.desktop;\n"
             "video/mp4=mpv.desktop;\n"
             "\n"
             "[Removed Associations]\n"
             "application/x-vistrel-mjp=totem.desktop;\n");
  Register();
  EXPECT_EQ(ReadText(mimeapps()),
            "[Default Applications]\n"
            "application/x-vistrel-mjp=vistrel.desktop;\n"
            "text/plain=gedit.desktop;\n"
            "image/png=eog.desktop;\n"
            "\n"
            "[Added Associations]\n"
            "application/x-vistrel-mjp=vistrel.desktop;\n"
            "video/mp4=mpv.desktop;\n"
            "\n"
            "[Removed Associations]\n"
            "application/x-vistrel-mjp=totem.desktop;\n");
  if (Have("xdg-mime")) {
    EXPECT_EQ(Output("xdg-mime", {"query", "default", kType}), "vistrel.desktop");
  }
}

TEST(RegistrationMimeapps, OnlyOurHandlerRemainsForTheType) {
  struct Case {
    const char* before;
    const char* after;
  };
  const char* ours = "application/x-vistrel-mjp=vistrel.desktop;";
  for (const Case& c : {
           Case{"", "[Default Applications]\n%1\n"},
           {"[Default Applications]\n", "[Default Applications]\n%1\n"},
           // Another group only: ours is added after it, a blank line between.
           {"[Added Associations]\nvideo/mp4=mpv.desktop;",
            "[Added Associations]\nvideo/mp4=mpv.desktop;\n\n[Default Applications]\n%1\n"},
           // Blanks around '=' and repeated keys are the same key; all give way to ours.
           {"[Default Applications]\n"
            "application/x-vistrel-mjp = a.desktop;\napplication/x-vistrel-mjp=b.desktop;\n",
            "[Default Applications]\n%1\n"},
           // Comments, other types and look-alike types stay.
           {"# mine\n[Default Applications]\n"
            "#application/x-vistrel-mjp=x.desktop;\napplication/x-vistrel-mjp2=y.desktop;\n",
            "# mine\n[Default Applications]\n%1\n"
            "#application/x-vistrel-mjp=x.desktop;\napplication/x-vistrel-mjp2=y.desktop;\n"},
           // The type's line in another group is not ours to change.
           {"[Removed Associations]\napplication/x-vistrel-mjp=z.desktop;\n[Default Applications]\n",
            "[Removed Associations]\napplication/x-vistrel-mjp=z.desktop;\n"
            "[Default Applications]\n%1\n"},
       }) {
    EXPECT_EQ(WithOnlyHandler(c.before, "Default Applications", kType, "vistrel.desktop"),
              QString::fromUtf8(c.after).arg(ours))
        << c.before;
  }
}

TEST(RegistrationExec, ArgumentIsQuotedOnlyWhenItMustBe) {
  struct Case {
    const char* argument;
    const char* written;  // as it stands in the file
  };
  for (const Case& c : {
           Case{"/usr/bin/vistrel", "/usr/bin/vistrel"},
           {"/opt/Vistrel app/vistrel", "\"/opt/Vistrel app/vistrel\""},
           {"/opt/it's/vistrel", "\"/opt/it's/vistrel\""},
           {"/opt/100%/vistrel", "/opt/100%%/vistrel"},
           {"/opt/a$b/vistrel", "\"/opt/a\\\\$b/vistrel\""},
           {"/opt/say \"hi\"/vistrel", "\"/opt/say \\\\\"hi\\\\\"/vistrel\""},
           // A literal backslash: escaped for the quotes, then for the file.
           {"/opt/a\\b/vistrel", "\"/opt/a\\\\\\\\b/vistrel\""},
       }) {
    EXPECT_EQ(DesktopExecArgument(QString::fromUtf8(c.argument)), QString::fromUtf8(c.written))
        << c.argument;
  }
}

// GLib's launcher reads the Exec line the way file managers do: the program must start
// even from an awkward folder, and the file's path must arrive as one argument.
TEST_F(Registration, ALauncherStartsTheProgramWithThePathAsOneArgument) {
  if (!Have("gio")) GTEST_SKIP() << "gio not installed";
  // Not '%': GLib looks for the program before it undoes the "%%" the Exec rules ask for.
  const QString folder = root.filePath("it's a \"$dir\" \\ (1)");
  const QString program = folder + "/vistrel";
  WriteBytes(program,
             "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"$OUT.tmp\" && mv \"$OUT.tmp\" \"$OUT\"\n");
  QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  const QString out = root.filePath("arguments.txt");
  ScopedEnv outEnv("OUT", out);
  Register(program);

  const QString recording = root.filePath("Nagrania z kamery/rec 1.MJP");
  WriteBytes(recording, "x");
  ASSERT_EQ(QProcess::execute("gio", {"launch", desktopEntry(), recording}), 0);
  // The launcher does not wait for the program; the program writes its file at once.
  for (QDeadlineTimer limit(20000); !QFileInfo::exists(out) && !limit.hasExpired();) QThread::msleep(20);
  EXPECT_EQ(ReadText(out), "1\n" + recording + "\n");
}

TEST_F(Registration, FirstStartRegistersAndLeavesTheMarker) {
  EXPECT_EQ(RegistrationMarkerPath(), marker());
  RegisterFileTypeAtFirstStart(".MJP", "Sekwencja wideo", "/usr/bin/vistrel");
  EXPECT_TRUE(QFileInfo::exists(marker()));
  EXPECT_TRUE(ReadText(desktopEntry()).contains("Exec=/usr/bin/vistrel %f"));
}

TEST_F(Registration, LaterStartsDoNothing) {
  RegisterFileTypeAtFirstStart(".MJP", "Sekwencja wideo", "/usr/bin/vistrel");
  // The user's later choice and a removed entry must both survive the next start.
  QFile::remove(desktopEntry());
  WriteBytes(mimeapps(), "[Default Applications]\napplication/x-vistrel-mjp=mpv.desktop;\n");
  RegisterFileTypeAtFirstStart(".MJP", "Sekwencja wideo", "/somewhere/else/vistrel");
  EXPECT_FALSE(QFileInfo::exists(desktopEntry()));
  EXPECT_EQ(ReadText(mimeapps()), "[Default Applications]\napplication/x-vistrel-mjp=mpv.desktop;\n");
}

// Folders below a plain file cannot be made, whoever runs the test (root included).
TEST_F(Registration, UnusableFoldersAreSkippedSilently) {
  WriteBytes(root.filePath("file"), "x");
  ScopedEnv badData("XDG_DATA_HOME", root.filePath("file/data"));
  ScopedEnv badConfig("XDG_CONFIG_HOME", root.filePath("file/config"));
  RegisterFileTypeAtFirstStart(".MJP", "Sekwencja wideo", "/usr/bin/vistrel");
  EXPECT_FALSE(QFileInfo::exists(RegistrationMarkerPath()));
  EXPECT_EQ(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"file"});
}

// As with the registry's machine-wide keys: what cannot be written is skipped and the
// per-user choice is still made.
TEST_F(Registration, AnUnusableDataFolderStillLeavesTheUserDefault) {
  WriteBytes(root.filePath("file"), "x");
  ScopedEnv badData("XDG_DATA_HOME", root.filePath("file/data"));
  RegisterFileTypeAtFirstStart(".MJP", "Sekwencja wideo", "/usr/bin/vistrel");
  EXPECT_TRUE(ReadText(mimeapps()).contains(
      "[Default Applications]\napplication/x-vistrel-mjp=vistrel.desktop;\n"));
  EXPECT_TRUE(QFileInfo::exists(marker()));
}

TEST_F(Registration, ReadOnlyFoldersAreSkippedSilently) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const QByteArray before = "[Default Applications]\nimage/png=eog.desktop;\n";
  WriteBytes(mimeapps(), before);
  QDir().mkpath(data);
  const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                        QFile::ReadOther | QFile::ExeOther;  // 0555
  QFile::setPermissions(data, readOnly);
  QFile::setPermissions(config, readOnly);
  QFile::setPermissions(mimeapps(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  RegisterFileTypeAtFirstStart(".MJP", "Sekwencja wideo", "/usr/bin/vistrel");
  EXPECT_EQ(QDir(data).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{});
  EXPECT_EQ(ReadBytes(mimeapps()), before);
  EXPECT_FALSE(QFileInfo::exists(marker()));
  QFile::setPermissions(data, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QFile::setPermissions(config, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// What the package installs is what registration writes, apart from the program's path.
TEST(RegistrationPackage, PackagedFilesMatchWhatRegistrationWrites) {
  EXPECT_EQ(MimeTypeFor(".MJP"), kType);
  EXPECT_EQ(ReadText(VISTREL_SOURCE_DIR "/packaging/vistrel.xml"),
            MimePackageXml(kType, ".MJP", "Sekwencja wideo"));
  EXPECT_EQ(ReadText(VISTREL_SOURCE_DIR "/packaging/vistrel.desktop"),
            DesktopEntryText("vistrel", kType));
}
