/* Preloaded by the end-to-end tests and the benchmarks: makes every sleep return at
 * once, so that the one-second pause after each operation costs nothing there. */
#include <time.h>

int nanosleep(const struct timespec *req, struct timespec *rem) {
  (void)req;
  if (rem) rem->tv_sec = rem->tv_nsec = 0;
  return 0;
}

int clock_nanosleep(clockid_t clock, int flags, const struct timespec *req,
                    struct timespec *rem) {
  (void)clock;
  (void)flags;
  return nanosleep(req, rem);
}
