// One named POSIX shared-memory object mapped into the process: created read-write by its owner,
// or opened read-only at its real size.
#pragma once

#include <cstddef>
#include <string>

class CSharedMemory {
public:
    enum eError {
        eError_None = 0,
        eError_NotOpen,      // nothing is mapped
        eError_AlreadyOpen,  // Create or OpenReadOnly on an object that still maps a region
        eError_InvalidSize,  // a size of 0 or beyond what can be mapped
        eError_Open,         // shm_open (or removing a stale object of the same name) failed
        eError_Resize,       // ftruncate or fchmod failed
        eError_Stat,         // fstat failed
        eError_Empty,        // the object has no bytes to map
        eError_Map,          // mmap failed
    };

    CSharedMemory() = default;
    ~CSharedMemory();
    CSharedMemory(const CSharedMemory&) = delete;
    CSharedMemory& operator=(const CSharedMemory&) = delete;

    // Creates "/" + name afresh with mode 0644 (everyone reads, only the owner writes), sizes it and
    // maps it read-write. A stale object of the same name is removed first, so that readers still
    // mapping it are never cut short by the new size.
    bool Create(const std::string& strName, std::size_t nSize);
    // Opens "/" + name read-only and maps exactly the object's real size (fstat).
    bool OpenReadOnly(const std::string& strName);
    // Unmaps and closes; the creator also removes the name.
    void Close();

    bool IsOpen() const { return m_pView != nullptr; }
    bool IsCreator() const { return m_bCreator; }
    const std::string& Name() const { return m_strName; }
    std::byte* Data() { return m_bWritable ? m_pView : nullptr; }
    const std::byte* Data() const { return m_pView; }
    std::size_t Size() const { return m_nSize; }

    eError Error() const { return m_eError; }
    // errno of the failing call; 0 when the failure was no system call.
    int ErrorNumber() const { return m_nErrno; }
    // e.g. "mmap of /PRLNSharedRegion2 (8192 bytes) failed: Permission denied (errno 13)".
    std::string ErrorString() const;

private:
    bool Fail(eError error, int nErrno, const char* szCall);

    std::string m_strName;
    int m_fd = -1;
    std::byte* m_pView = nullptr;
    std::size_t m_nSize = 0;
    bool m_bCreator = false;
    bool m_bWritable = false;
    eError m_eError = eError_None;
    int m_nErrno = 0;
    std::string m_strFailedCall;
};
