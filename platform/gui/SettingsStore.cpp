#include "SettingsStore.h"

#include <QSettings>
#include <QStringList>

#include "SysUtils.h"

namespace gui {

SettingsStore::SettingsStore(const QString& keyPath)
{
    QStringList parts = QString(keyPath).replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (!parts.isEmpty() && parts.front().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0) parts.removeFirst();
    vendor_ = parts.isEmpty() ? QStringLiteral("Quorvel") : parts.takeFirst();
    group_ = parts.join(QLatin1Char('/'));
    settings_ = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, vendor_, vendor_);
}

SettingsStore::SettingsStore(std::unique_ptr<QSettings> settings) : settings_(std::move(settings)) {}

std::unique_ptr<SettingsStore> SettingsStore::onFile(const QString& fileName)
{
    return std::unique_ptr<SettingsStore>(
        new SettingsStore(std::make_unique<QSettings>(fileName, QSettings::IniFormat)));
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::path(const QString& section, const QString& key) const
{
    QString p = group_;
    for (const QString& part : {section, key}) {
        if (part.isEmpty()) continue;
        if (!p.isEmpty()) p += QLatin1Char('/');
        p += part;
    }
    return p;
}

QString SettingsStore::readString(const QString& section, const QString& key, const QString& def) const
{
    return settings_->value(path(section, key), def).toString();
}

void SettingsStore::writeString(const QString& section, const QString& key, const QString& value)
{
    settings_->setValue(path(section, key), value);
}

int SettingsStore::readInteger(const QString& section, const QString& key, int def) const
{
    const QVariant v = settings_->value(path(section, key));
    if (!v.isValid()) return def;
    return StrToIntDef(Trim(v.toString().toStdString()), def);
}

void SettingsStore::writeInteger(const QString& section, const QString& key, int value)
{
    settings_->setValue(path(section, key), QString::fromStdString(IntToStr(value)));
}

void SettingsStore::sync() { settings_->sync(); }

}  // namespace gui
