// POSIX shared memory: shm_open of "/" + name, ftruncate, fstat and mmap.
#include "CSharedMemory.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kRegionMode = 0644;

std::string ObjectName(const std::string& strName) { return "/" + strName; }

}  // namespace

CSharedMemory::~CSharedMemory() { Close(); }

bool CSharedMemory::Fail(eError error, int nErrno, const char* szCall)
{
    m_eError = error;
    m_nErrno = nErrno;
    m_strFailedCall = szCall;
    return false;
}

bool CSharedMemory::Create(const std::string& strName, std::size_t nSize)
{
    if (IsOpen())
        return Fail(eError_AlreadyOpen, 0, "Create");
    m_strName = strName;
    m_nSize = nSize;
    if (nSize == 0 || nSize > static_cast<std::size_t>(INT32_MAX))
        return Fail(eError_InvalidSize, EFBIG, "Create");
    const std::string object = ObjectName(strName);
    if (::shm_unlink(object.c_str()) != 0 && errno != ENOENT)
        return Fail(eError_Open, errno, "shm_unlink");
    m_fd = ::shm_open(object.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, kRegionMode);
    if (m_fd < 0)
        return Fail(eError_Open, errno, "shm_open");
    m_bCreator = true;
    // The umask must not take the readers' access away, nor add writers.
    if (::fchmod(m_fd, kRegionMode) != 0 || ::ftruncate(m_fd, static_cast<off_t>(nSize)) != 0) {
        const int error = errno;
        Close();
        m_nSize = nSize;
        return Fail(eError_Resize, error, "ftruncate");
    }
    void* view = ::mmap(nullptr, nSize, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, 0);
    if (view == MAP_FAILED) {
        const int error = errno;
        Close();
        m_nSize = nSize;
        return Fail(eError_Map, error, "mmap");
    }
    m_pView = static_cast<std::byte*>(view);
    m_bWritable = true;
    m_eError = eError_None;
    m_nErrno = 0;
    return true;
}

bool CSharedMemory::OpenReadOnly(const std::string& strName)
{
    if (IsOpen())
        return Fail(eError_AlreadyOpen, 0, "OpenReadOnly");
    m_strName = strName;
    m_nSize = 0;
    m_fd = ::shm_open(ObjectName(strName).c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (m_fd < 0)
        return Fail(eError_Open, errno, "shm_open");
    struct stat status {};
    if (::fstat(m_fd, &status) != 0) {
        const int error = errno;
        Close();
        return Fail(eError_Stat, error, "fstat");
    }
    if (status.st_size <= 0) {
        Close();
        return Fail(eError_Empty, 0, "fstat");
    }
    if (static_cast<std::uintmax_t>(status.st_size) > static_cast<std::uintmax_t>(INT32_MAX)) {
        Close();
        m_nSize = 0;
        return Fail(eError_InvalidSize, EFBIG, "fstat");
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    void* view = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, m_fd, 0);
    if (view == MAP_FAILED) {
        const int error = errno;
        Close();
        m_nSize = size;
        return Fail(eError_Map, error, "mmap");
    }
    m_pView = static_cast<std::byte*>(view);
    m_nSize = size;
    m_eError = eError_None;
    m_nErrno = 0;
    return true;
}

void CSharedMemory::Close()
{
    if (m_pView != nullptr)
        ::munmap(m_pView, m_nSize);
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_bCreator)
        ::shm_unlink(ObjectName(m_strName).c_str());
    m_pView = nullptr;
    m_fd = -1;
    m_nSize = 0;
    m_bCreator = false;
    m_bWritable = false;
    m_eError = eError_NotOpen;
    m_nErrno = 0;
}

std::string CSharedMemory::ErrorString() const
{
    switch (m_eError) {
    case eError_None:
        return {};
    case eError_NotOpen:
        return "no region is mapped";
    case eError_AlreadyOpen:
        return "a region is mapped already";
    case eError_Empty:
        return "/" + m_strName + " holds no bytes";
    default:
        break;
    }
    std::string text = m_strFailedCall + " of /" + m_strName;
    if (m_nSize > 0)
        text += " (" + std::to_string(m_nSize) + " bytes)";
    text += " failed";
    if (m_nErrno != 0)
        text += std::string(": ") + std::strerror(m_nErrno) + " (errno " + std::to_string(m_nErrno) + ")";
    return text;
}
