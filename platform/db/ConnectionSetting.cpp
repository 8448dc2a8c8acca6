#include "ConnectionSetting.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "IniFiles.h"
#include "SysUtils.h"

namespace db {

std::string DatabaseSetting(const std::string& folder)
{
    if (const char* env = std::getenv(kSettingVariable)) {
        const std::string value = Trim(env);
        if (!value.empty()) return value;
    }
    const std::string ini = folder.empty() ? std::string(kSettingsFile) : folder + "/" + kSettingsFile;
    std::ifstream in(ini, std::ios::binary);
    if (in) {
        std::ostringstream text;
        text << in.rdbuf();
        TIniText settings;
        settings.SetText(text.str());
        std::string value;
        if (settings.Read("Database", "Connection", value) && !Trim(value).empty()) return Trim(value);
    }
    return folder.empty() ? std::string(kDefaultDatabaseFile) : folder + "/" + kDefaultDatabaseFile;
}

}  // namespace db
