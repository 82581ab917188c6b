/* Runs a program with its output thrown away and prints the processor time (user + system,
 * ms) and the peak resident size (kB) it took: "cpu_ms maxrss_kb". Being small itself, it
 * leaves the measured program's peak its own (a peak is carried over exec).
 *   spawn_cost PROGRAM [ARG...]
 * A measuring tool for console_cost.sh. */
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: spawn_cost PROGRAM [ARG...]\n");
        return 2;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 1);
        execv(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    struct rusage usage;
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return 1;
    printf("%.3f %ld\n",
           (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0,
           usage.ru_maxrss);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
