// Numbers in the instrument's answers, read as atoi and atof read them, independent of the locale.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Leading white space, an optional sign, decimal digits up to the first other character; no digits
// give 0; values beyond 32 bits saturate.
std::int32_t AnswerInteger(const std::string& strAnswer);
// A decimal number with optional fraction and exponent after leading white space; no number gives 0.
double AnswerReal(const std::string& strAnswer);
// The channel numbers of a sequence answer: tokens between runs of ',' and ';', those of 1 or more.
std::vector<std::int32_t> SequenceChannels(const std::string& strAnswer);
