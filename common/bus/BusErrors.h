// HRESULTs to bus errors and back: the four common failures by name, every other one by its number.
#pragma once

#include "HResult.h"

#include <QString>

inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001U);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFU);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154U);
inline constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3U);
inline constexpr HRESULT CO_E_OBJISREG = static_cast<HRESULT>(0x800401FBU);
inline constexpr HRESULT CO_E_SERVER_EXEC_FAILURE = static_cast<HRESULT>(0x80080005U);
inline constexpr HRESULT RPC_E_TIMEOUT = static_cast<HRESULT>(0x8001011FU);
inline constexpr HRESULT RPC_S_SERVER_UNAVAILABLE = static_cast<HRESULT>(0x800706BAU);

// The error name for a failing HRESULT.
QString BusErrorName(HRESULT hr);
// The error message: the HRESULT as 0x%08X, then its name where it has one.
QString BusErrorMessage(HRESULT hr);

// The HRESULT of an error reply. Errors of the broker come back as they were sent; errors of the bus
// itself (no server, no answer, unknown method) become the HRESULT a component runtime would answer.
HRESULT HResultFromBusError(const QString& strName, const QString& strMessage);
