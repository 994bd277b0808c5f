// file-holder FILE MILLISECONDS READY: holds FILE under an exclusive lock, creates READY once
// it does, and lets go after MILLISECONDS (or when killed).
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: file-holder FILE MILLISECONDS READY\n");
    return 2;
  }
  int fd = ::open(argv[1], O_RDWR | O_CLOEXEC);
  if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  int ready = ::open(argv[3], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (ready < 0) return 1;
  ::close(ready);
  ::usleep(static_cast<useconds_t>(std::atol(argv[2])) * 1000);
  ::close(fd);
  return 0;
}
