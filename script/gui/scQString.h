#pragma once
// The engine's UTF-8 text to Qt's and back.

#include <QString>

#include <string>
#include <string_view>

namespace sc_gui {

inline QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline std::string ss(const QString& s) { return s.toStdString(); }

}  // namespace sc_gui
