#include "NetworkAddress.h"

#include <QNetworkInterface>

#include <algorithm>

namespace gui {

namespace {

std::function<QString()>& provider()
{
    static std::function<QString()> p;
    return p;
}

int hexDigit(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) return c.unicode() - '0';
    if (c >= QLatin1Char('a') && c <= QLatin1Char('f')) return c.unicode() - 'a' + 10;
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F')) return c.unicode() - 'A' + 10;
    return -1;
}

// "aa:bb:cc:dd:ee:ff" (or with "-") to the canonical form; "" when it is
// not six bytes or all zero.
QString canonical(const QString& hw)
{
    const QStringList parts = QString(hw).replace(QLatin1Char('-'), QLatin1Char(':')).split(QLatin1Char(':'));
    if (parts.size() != 6) return {};
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    bool nonZero = false;
    for (const QString& p : parts) {
        if (p.size() != 2) return {};
        const int hi = hexDigit(p[0]), lo = hexDigit(p[1]);
        if (hi < 0 || lo < 0) return {};
        nonZero = nonZero || hi || lo;
        if (!out.isEmpty()) out += QLatin1Char('-');
        out += QLatin1Char(digits[hi]);
        out += QLatin1Char(digits[lo]);
    }
    return nonZero ? out : QString();
}

QString systemAddress()
{
    std::vector<AdapterInfo> adapters;
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
        AdapterInfo a;
        a.index = i.index();
        a.loopback = i.flags().testFlag(QNetworkInterface::IsLoopBack) || i.type() == QNetworkInterface::Loopback;
        a.hardwareAddress = i.hardwareAddress();
        adapters.push_back(a);
    }
    return PickAdapterAddress(std::move(adapters));
}

}  // namespace

QString PickAdapterAddress(std::vector<AdapterInfo> adapters)
{
    std::stable_sort(adapters.begin(), adapters.end(), [](const AdapterInfo& a, const AdapterInfo& b) { return a.index < b.index; });
    for (const AdapterInfo& a : adapters) {
        if (a.loopback) continue;
        const QString address = canonical(a.hardwareAddress);
        if (!address.isEmpty()) return address;
    }
    return {};
}

QString AdapterAddress() { return provider() ? provider()() : systemAddress(); }

void SetAdapterAddressProvider(std::function<QString()> p) { provider() = std::move(p); }

}  // namespace gui
