// The optional exception-hook plugin beside the server program, loaded with dlopen.
#pragma once

#include "HResult.h"

#include <string>

inline constexpr const char kExceptionHookFileName[] = "PyrolanExceptionHook.so";
// The plugin's two entries: Hook(int, int, int) and the call without arguments, both answering HRESULTs.
inline constexpr const char kExceptionHookSymbol[] = "PyrolanExceptionHook_Hook";
inline constexpr const char kExceptionUnhookSymbol[] = "PyrolanExceptionHook_Unhook";
// What a missing plugin answers, as a missing component would.
inline constexpr HRESULT kHookNotRegistered = static_cast<HRESULT>(0x80040154U);

class CExceptionHook {
public:
    CExceptionHook() = default;
    ~CExceptionHook();
    CExceptionHook(const CExceptionHook&) = delete;
    CExceptionHook& operator=(const CExceptionHook&) = delete;

    // Loads the plugin from the folder of the program (or the given file).
    HRESULT Create(const std::string& strPath = {});
    HRESULT Hook(int nMode, int bLog, int nReserved);
    HRESULT Unhook();
    bool Exists() const { return m_pModule != nullptr; }
    // Unloads the plugin.
    void Release();

    // The plugin's file beside the running program.
    static std::string DefaultPath();

private:
    void* m_pModule = nullptr;
    int (*m_pHook)(int, int, int) = nullptr;
    int (*m_pUnhook)() = nullptr;
};
