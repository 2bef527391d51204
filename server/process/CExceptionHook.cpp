// Loading and calling the exception-hook plugin.
#include "CExceptionHook.h"

#include "DebugPrint.h"
#include "ServerFilePaths.h"

#include <dlfcn.h>
#include <sys/stat.h>

CExceptionHook::~CExceptionHook() { Release(); }

std::string CExceptionHook::DefaultPath()
{
    const std::string program = ServerProgramPath();
    const std::size_t slash = program.rfind('/');
    return (slash == std::string::npos ? std::string(".") : program.substr(0, slash)) + "/" + kExceptionHookFileName;
}

HRESULT CExceptionHook::Create(const std::string& strPath)
{
    Release();
    const std::string path = strPath.empty() ? DefaultPath() : strPath;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return kHookNotRegistered;
    m_pModule = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_pModule == nullptr) {
        // A plugin that is there but cannot be loaded deserves its reason in the log.
        const char* reason = ::dlerror();
        DebugPrint("HookException: %s\n", reason != nullptr ? reason : "cannot be loaded");
        return kHookNotRegistered;
    }
    m_pHook = reinterpret_cast<int (*)(int, int, int)>(::dlsym(m_pModule, kExceptionHookSymbol));
    m_pUnhook = reinterpret_cast<int (*)()>(::dlsym(m_pModule, kExceptionUnhookSymbol));
    if (m_pHook == nullptr || m_pUnhook == nullptr) {
        DebugPrint("HookException: %s lacks its entries\n", path.c_str());
        Release();
        return kHookNotRegistered;
    }
    return S_OK;
}

HRESULT CExceptionHook::Hook(int nMode, int bLog, int nReserved)
{
    return m_pHook != nullptr ? static_cast<HRESULT>(m_pHook(nMode, bLog, nReserved)) : E_FAIL;
}

HRESULT CExceptionHook::Unhook() { return m_pUnhook != nullptr ? static_cast<HRESULT>(m_pUnhook()) : E_FAIL; }

void CExceptionHook::Release()
{
    m_pHook = nullptr;
    m_pUnhook = nullptr;
    if (m_pModule != nullptr) {
        ::dlclose(m_pModule);
        m_pModule = nullptr;
    }
}
