#include "sc_const.h"

TscMessages& scMessages()
{
    static TscMessages messages;
    return messages;
}

std::string scFormatMessage(const std::string& text, const std::string& arg)
{
    const auto at = text.find("%s");
    if (at == std::string::npos) return text;
    std::string result = text;
    result.replace(at, 2, arg);
    return result;
}

bool scIsOutOfMemory(const std::exception& e) noexcept
{
    return dynamic_cast<const std::bad_alloc*>(&e) || dynamic_cast<const std::length_error*>(&e);
}

void scRaiseOutOfMemory()
{
    throw EOutOfMemory(scMessages().OutOfMemory);
}
