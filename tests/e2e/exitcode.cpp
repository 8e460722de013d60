// Runs the rest of its own command line as a program, waits for it and
// prints its exit code in decimal: a Linux shell sees only the low 8 bits
// of a Windows program's code (1603 arrives as 67). Exits 0 once printed,
// 1 when the program could not be started.
#include <windows.h>

#include <cstdio>

int main() {
    // Past this program's own name, quoted or not, and the blanks after it.
    char* line = GetCommandLineA();
    bool quoted = false;
    for (; *line && (quoted || (*line != ' ' && *line != '\t')); ++line)
        if (*line == '"') quoted = !quoted;
    while (*line == ' ' || *line == '\t') ++line;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        std::printf("could not start %s (error %lu)\n", line, (unsigned long)GetLastError());
        return 1;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    std::printf("%lu\n", (unsigned long)code);
    return 0;
}
