#include "InstanceLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

std::string InstanceLockPath(const std::string& runtimeDirectory)
{
    return runtimeDirectory + "/Tunzo.lock";
}

bool InstanceLock::Acquire(const std::string& runtimeDirectory)
{
    Release();
    const int fd = open(InstanceLockPath(runtimeDirectory).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return true;
    int rc;
    do {
        rc = flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void InstanceLock::Release()
{
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}
