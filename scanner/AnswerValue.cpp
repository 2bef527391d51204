// Locale-free readers of answer numbers: the tool's Qt application sets the user's locale.
#include "AnswerValue.h"

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <locale.h>

namespace {
locale_t CLocale()
{
    static const locale_t locale = ::newlocale(LC_ALL_MASK, "C", nullptr);
    return locale;
}
} // namespace

std::int32_t AnswerInteger(const std::string& strAnswer)
{
    const long long nValue = ::strtoll_l(strAnswer.c_str(), nullptr, 10, CLocale());
    if (nValue > INT32_MAX)
        return INT32_MAX;
    if (nValue < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(nValue);
}

double AnswerReal(const std::string& strAnswer) { return ::strtod_l(strAnswer.c_str(), nullptr, CLocale()); }

std::vector<std::int32_t> SequenceChannels(const std::string& strAnswer)
{
    std::vector<std::int32_t> vChannels;
    std::size_t nPos = 0;
    while (nPos < strAnswer.size()) {
        const std::size_t nEnd = strAnswer.find_first_of(",;", nPos);
        const std::size_t nLength = (nEnd == std::string::npos ? strAnswer.size() : nEnd) - nPos;
        if (nLength > 0) {
            const std::int32_t nChannel = AnswerInteger(strAnswer.substr(nPos, nLength));
            if (nChannel >= 1)
                vChannels.push_back(nChannel);
        }
        if (nEnd == std::string::npos)
            break;
        nPos = nEnd + 1;
    }
    return vChannels;
}
