// File-type registration into private XDG folders, and what a desktop then makes of it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include "desktop/RegisterFileType.h"
#include "support/FileContents.h"
#include "support/Probe.h"
#include "support/QtPrinters.h"

namespace {

const QString kType = QStringLiteral("application/x-vistrel-mjp");
const QString kOurs = kType + "=vistrel.desktop;";

QString Read(const QString& path) { return QString::fromUtf8(BytesOf(path)); }  // "" when missing

bool Have(const char* tool) { return !QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(); }
void SetEnv(const char* name, const QByteArray& value) { value.isEmpty() ? qunsetenv(name) : qputenv(name, value); }

// Fresh XDG data and config folders for one registration; the caller's come back afterwards.
struct XdgHome {
  QTemporaryDir root;
  QString data = root.filePath("data"), config = root.filePath("config");
  QByteArray oldData = qgetenv("XDG_DATA_HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
  XdgHome() { SetEnv("XDG_DATA_HOME", data.toUtf8()), SetEnv("XDG_CONFIG_HOME", config.toUtf8()); }
  ~XdgHome() {
    SetEnv("XDG_DATA_HOME", oldData), SetEnv("XDG_CONFIG_HOME", oldConfig);
    for (const QString& d : {data, config})  // read-only cases: writable again, so the folder can go
      QFile::setPermissions(d, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  QString mimeapps = config + "/mimeapps.list", marker = config + "/vistrel/registered";
  QString entry = data + "/applications/vistrel.desktop";
};

void FirstStart() { RegisterFileTypeAtFirstStart(".MJP", "Sekwencja wideo", "/usr/bin/vistrel"); }

}  // namespace

// The packaged files bar Exec; tools find our type, GLib launches from an awkward folder with one argument.
TEST(Registration, TheDesktopFindsAndStartsTheProgram) {
  XdgHome h;
  const QString program = h.root.filePath("it's a \"$dir\" \\\\ (1)/vistrel"), out = h.root.filePath("args");
  WriteFile(program,
            QString("#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '%1.tmp' && mv '%1.tmp' '%1'\n").arg(out).toUtf8());
  QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  RegisterFileType(".MJP", "Sekwencja wideo", program);
  for (const QString written :
       {"mime/packages/vistrel.xml", "applications/vistrel.desktop", "icons/hicolor/scalable/apps/vistrel.svg"})
    EXPECT_EQ(Read(h.data + "/" + written).replace(QRegularExpression("Exec=.* %f"), "Exec=vistrel %f"),
              Read(VISTREL_SOURCE_DIR "/packaging/" + QFileInfo(written).fileName()))
        << written.toStdString();
  if (!Have("xdg-mime") || !Have("update-desktop-database") || !Have("gio")) GTEST_SKIP() << "tools missing";
  for (const QString& file : {h.root.filePath("rec 1.mjp"), h.root.filePath("rec 1.MJP")}) {
    WriteFile(file, QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10));
    EXPECT_EQ(QString(RunTool("xdg-mime", {"query", "filetype", file}).trimmed()), kType) << file.toStdString();
  }
  EXPECT_TRUE(Read(h.data + "/applications/mimeinfo.cache").contains(kOurs));
  ASSERT_EQ(QProcess::execute("gio", {"launch", h.entry, h.root.filePath("rec 1.MJP")}), 0);
  for (QDeadlineTimer limit(20000); !QFileInfo::exists(out) && !limit.hasExpired();)  // gio does not wait
    QThread::msleep(20);
  EXPECT_EQ(Read(out), "1\n" + h.root.filePath("rec 1.MJP") + "\n");
}

// Usable, blocked or read-only folders: ours replaces earlier handlers, the rest stays; marked: done once.
TEST(Registration, FirstStartRegistersWhatItCan) {
  const char* png = "[Default Applications]\nimage/png=eog.desktop;\n";
  using Case = std::tuple<const char*, const char*, bool, const char*, const char*>;
  for (const auto& [data, config, readOnly, before, after] :
       {Case{"data", "config", false, "", "[Default Applications]\n%1\n\n[Added Associations]\n%1\n"},
        // Blanks around '=' and a repeated key are still our key; comments and look-alikes are not.
        {"data", "config", false,
         "# mine\n[Default Applications]\ntext/plain=gedit.desktop;\napplication/x-vistrel-mjp = a.desktop;\n"
         "#application/x-vistrel-mjp=x;\napplication/x-vistrel-mjp2=y;\napplication/x-vistrel-mjp=b.desktop;\n\n"
         "[Added Associations]\napplication/x-vistrel-mjp=a.desktop;b.desktop;\nvideo/mp4=a.desktop;\n\n"
         "[Removed Associations]\napplication/x-vistrel-mjp=desktop;",
         "# mine\n[Default Applications]\n%1\ntext/plain=gedit.desktop;\n#application/x-vistrel-mjp=x;\n"
         "application/x-vistrel-mjp2=y;\n\n[Added Associations]\n%1\nvideo/mp4=a.desktop;\n\n"
         "[Removed Associations]\napplication/x-vistrel-mjp=desktop;\n"},
        {"file/data", "config", false, png,
         "[Default Applications]\n%1\nimage/png=eog.desktop;\n\n[Added Associations]\n%1\n"},
        {"file/data", "file/config", false, png, png},
        {"data", "config", true, png, png}}) {
    if (readOnly && geteuid() == 0) continue;  // root writes into read-only folders
    XdgHome h;
    if (*before) WriteFile(h.mimeapps, before);
    WriteFile(h.root.filePath("file"), "x");
    for (const QString& d : {h.data, h.config})
      if (readOnly) QDir().mkpath(d), QFile::setPermissions(d, QFile::ReadOwner | QFile::ExeOwner);
    SetEnv("XDG_DATA_HOME", h.root.filePath(data).toUtf8());
    SetEnv("XDG_CONFIG_HOME", h.root.filePath(config).toUtf8());
    FirstStart();
    EXPECT_EQ(Read(h.mimeapps), QString(after).replace("%1", kOurs)) << before;
    EXPECT_EQ(QFileInfo::exists(h.entry), !readOnly && QString(data) == "data") << data;
    EXPECT_EQ(QFileInfo::exists(h.marker), !readOnly && QString(config) == "config") << config;
    QFile::remove(h.entry);
    FirstStart();
    EXPECT_FALSE(QFileInfo::exists(h.entry)) << data << " registered again";
  }
}
