#include "CSharedMemory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string UniqueName(const char* what) { return std::string("PyrolanShmTest-") + what + "-" + std::to_string(::getpid()); }

bool Exists(const std::string& name)
{
    struct stat status {};
    return ::stat(("/dev/shm/" + name).c_str(), &status) == 0;
}

TEST(ASharedMemoryObject, IsCreatedWithMode0644WhateverTheUmaskAndMapsItsRealSizeForReaders)
{
    const std::string name = UniqueName("mode");
    const mode_t previous = ::umask(0077);
    CSharedMemory writer;
    const bool created = writer.Create(name, 5000);
    ::umask(previous);
    ASSERT_TRUE(created) << writer.ErrorString();
    EXPECT_TRUE(writer.IsCreator());
    struct stat status {};
    ASSERT_EQ(::stat(("/dev/shm/" + name).c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0644U);
    std::memcpy(writer.Data(), "abc", 3);

    CSharedMemory reader;
    ASSERT_TRUE(reader.OpenReadOnly(name)) << reader.ErrorString();
    EXPECT_EQ(reader.Size(), 5000U);
    EXPECT_EQ(reader.Data(), nullptr) << "a read-only view offers no writable bytes";
    EXPECT_EQ(std::memcmp(static_cast<const CSharedMemory&>(reader).Data(), "abc", 3), 0);
    reader.Close();
    EXPECT_TRUE(Exists(name)) << "a reader never removes the name";
    writer.Close();
    EXPECT_FALSE(Exists(name));
}

TEST(ASharedMemoryObject, ReportsTheFailingCallWithItsErrorNumber)
{
    CSharedMemory reader;
    EXPECT_FALSE(reader.OpenReadOnly(UniqueName("missing")));
    EXPECT_EQ(reader.Error(), CSharedMemory::eError_Open);
    EXPECT_EQ(reader.ErrorNumber(), ENOENT);
    EXPECT_NE(reader.ErrorString().find("shm_open of /PyrolanShmTest-missing"), std::string::npos)
        << reader.ErrorString();
    EXPECT_NE(reader.ErrorString().find("(errno 2)"), std::string::npos) << reader.ErrorString();

    CSharedMemory bad;
    EXPECT_FALSE(bad.Create("no/slash", 4096));
    EXPECT_EQ(bad.ErrorNumber(), EINVAL);
    EXPECT_FALSE(bad.Create(UniqueName("empty"), 0));
    EXPECT_EQ(bad.Error(), CSharedMemory::eError_InvalidSize);

    const std::string name = UniqueName("twice");
    CSharedMemory once;
    ASSERT_TRUE(once.Create(name, 4096));
    EXPECT_FALSE(once.Create(name, 4096));
    EXPECT_EQ(once.Error(), CSharedMemory::eError_AlreadyOpen);
    EXPECT_TRUE(once.IsOpen());
}

}  // namespace
