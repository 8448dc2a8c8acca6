#pragma once
// Small user settings kept the way the report library's registry keys were:
// a key path "\Software\Vendor\Rest" is the user's ini file of Vendor, with
// Rest as the group and sections as groups below it. Key names are used with
// their fixed spelling (ini keys are case-sensitive here).

#include <QString>

#include <memory>

class QSettings;

namespace gui {

class SettingsStore {
public:
    explicit SettingsStore(const QString& keyPath);
    // An ini file of its own, sections as groups at its top.
    static std::unique_ptr<SettingsStore> onFile(const QString& fileName);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // An empty section is the key path's own group.
    QString readString(const QString& section, const QString& key, const QString& def = {}) const;
    void writeString(const QString& section, const QString& key, const QString& value);
    // A stored text that is no integer reads as def.
    int readInteger(const QString& section, const QString& key, int def) const;
    void writeInteger(const QString& section, const QString& key, int value);
    // Writes pending changes to the file.
    void sync();

    const QString& vendor() const { return vendor_; }
    const QString& group() const { return group_; }

private:
    explicit SettingsStore(std::unique_ptr<QSettings> settings);
    QString path(const QString& section, const QString& key) const;

    QString vendor_;
    QString group_;
    std::unique_ptr<QSettings> settings_;
};

}  // namespace gui
