#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "SettingsStore.h"

TEST(SettingsStore, KeyPathsBecomeOneIniFilePerVendor)
{
    QTemporaryDir dir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    const struct {
        const char* path;
        const char* vendor;
        const char* group;
    } cases[] = {{"\\Software\\Quorvel\\MRUFont", "Quorvel", "MRUFont"},
                 {"Software/Other/A\\B", "Other", "A/B"},
                 {"", "Quorvel", ""}};
    for (const auto& c : cases) {
        gui::SettingsStore store(QString::fromUtf8(c.path));
        EXPECT_EQ(store.vendor(), c.vendor) << c.path;
        EXPECT_EQ(store.group(), c.group) << c.path;
    }
    {
        gui::SettingsStore report("\\Software\\Quorvel");
        report.writeInteger("Form.TrpDesignerForm", "Units", 1);
        gui::SettingsStore fonts("\\Software\\Quorvel\\MRUFont");
        fonts.writeString({}, "Font0", "宋体");
    }
    QFile ini(dir.filePath("Quorvel/Quorvel.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(ini.readAll());
    EXPECT_TRUE(text.contains("[Form.TrpDesignerForm]\nUnits=1")) << text.toStdString();
    EXPECT_TRUE(text.contains("[MRUFont]\nFont0=宋体")) << text.toStdString();

    gui::SettingsStore store("\\Software\\Quorvel");
    EXPECT_EQ(store.readInteger("Form.TrpDesignerForm", "Units", 0), 1);
    EXPECT_EQ(store.readInteger("Form.TrpDesignerForm", "units", 7), 7);
    store.writeString("X", "Bad", "1.5");
    EXPECT_EQ(store.readInteger("X", "Bad", 3), 3);
    EXPECT_EQ(store.readString("MRUFont", "Font0"), "宋体");
}
