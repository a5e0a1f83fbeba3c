#include "RuntimeDirectory.h"

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

std::string RuntimeDirectory()
{
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    std::string dir = (xdg && *xdg) ? std::string(xdg) + "/tunzo"
                                    : "/tmp/tunzo-" + std::to_string(getuid());
    if (mkdir(dir.c_str(), 0700) != 0) {
        // Already there: keep it private if it is ours. A folder another user
        // made under /tmp is left alone; the lock and sockets in it then fail
        // to open rather than being shared with that user.
        struct stat st {};
        if (lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid())
            chmod(dir.c_str(), 0700);
    }
    return dir;
}
