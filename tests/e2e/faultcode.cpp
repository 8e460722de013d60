// Causes one processor fault and prints the exception code that Windows
// hands to the program's own handler, in hex: "read0" reads address 0
// (c0000005), "div0" divides an integer by zero (c0000094). Exits 0 once the
// code is printed, 1 if the fault never came, 2 on a usage error.
#include <windows.h>

#include <cstdio>
#include <cstring>

static LONG CALLBACK PrintCode(EXCEPTION_POINTERS* e) {
    std::printf("%08lx\n", (unsigned long)e->ExceptionRecord->ExceptionCode);
    std::fflush(stdout);
    ExitProcess(0);
}

int main(int argc, char** argv) {
    if (argc != 2 || (std::strcmp(argv[1], "read0") != 0 && std::strcmp(argv[1], "div0") != 0)) {
        std::fprintf(stderr, "usage: faultcode read0|div0\n");
        return 2;
    }
    AddVectoredExceptionHandler(1, PrintCode);
    volatile int zero = 0;
    if (std::strcmp(argv[1], "read0") == 0) {
        volatile int* null = reinterpret_cast<volatile int*>(static_cast<INT_PTR>(zero));
        zero = *null;
    } else {
        volatile int one = 1;
        zero = one / zero;
    }
    std::printf("no fault\n");
    return 1;
}
