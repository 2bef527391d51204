// HRESULT result codes answered at the system's boundaries (broker, sensor start-up, registration).
#pragma once

#include <cstdint>

using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_PENDING = static_cast<HRESULT>(0x8000000AU);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003U);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005U);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005U);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000EU);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057U);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110U);
// "File not found", the answer of a sensor whose configuration file cannot be opened.
inline constexpr HRESULT HRESULT_FILE_NOT_FOUND = static_cast<HRESULT>(0x80070002U);

inline constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// Wraps a system error number the way a failing platform call is reported: its low 16 bits under
// the high half 0x8007, or E_FAIL when there is no error number.
inline constexpr HRESULT HResultFromErrno(int error)
{
    if (error == 0)
        return E_FAIL;
    return static_cast<HRESULT>(0x80070000U | (static_cast<std::uint32_t>(error) & 0xFFFFU));
}
