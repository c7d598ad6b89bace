/* Preloaded into the program by program_cpu_bench. The framework names its threads with
   pthread_setname_np, which refuses names over 15 bytes, so most threads would keep the program's
   name in /proc. This wrapper writes each named thread's id and full name as one line to the file
   NOLV_THREAD_NAME_LOG gives, then sets the first 15 bytes of the name. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

typedef int (*SetNameFunction) (pthread_t, const char*);

int pthread_setname_np (pthread_t thread, const char* name)
{
    SetNameFunction setName = (SetNameFunction) dlsym (RTLD_NEXT, "pthread_setname_np");
    const char* logPath = getenv ("NOLV_THREAD_NAME_LOG");

    /* Only a thread naming itself has an id at hand; the framework's threads all do. */
    if (logPath != NULL && pthread_equal (thread, pthread_self()))
    {
        char line[512];
        const int length = snprintf (line, sizeof line, "%ld\t%s\n", (long) syscall (SYS_gettid), name);
        const int fd = open (logPath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);

        if (fd >= 0 && length > 0)
        {
            /* A name that cannot be logged only shows shortened. */
            const ssize_t written = write (fd, line, (size_t) length < sizeof line ? (size_t) length : sizeof line - 1);
            (void) written;
        }

        if (fd >= 0)
            close (fd);
    }

    char shortened[16];
    strncpy (shortened, name, sizeof shortened - 1);
    shortened[sizeof shortened - 1] = '\0';
    return setName != NULL ? setName (thread, shortened) : 0;
}
