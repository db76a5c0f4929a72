/* Preloaded into the 32-bit Wine loader when qemu's user mode runs it. qemu
 * leaves the trap number of the i386 signal frame at -1, and Wine decides by
 * it what a fault was: every access violation would read as an illegal
 * instruction, IsBadReadPtr would kill the process and a division by zero
 * would give the wrong code. This wraps sigaction for the fault signals and
 * fills in the number the kernel would have given before Wine's handler runs.
 *
 * Built freestanding (gcc -m32 -nostdlib): no 32-bit development files are
 * needed, and the handler touches neither TLS nor errno. */

typedef struct {
    unsigned long bits[32];
} sigset_bits;

struct kernel_sigaction_glibc {
    void (*handler)(int, void *, void *);
    sigset_bits mask;
    int flags;
    void (*restorer)(void);
};

/* The ucontext of i386 Linux: flags, link, a three-word stack, then the
 * general registers, of which the trap number is the thirteenth. */
struct i386_ucontext {
    unsigned long flags;
    void *link;
    unsigned long stack[3];
    long gregs[19];
};
enum { REG_TRAPNO = 12 };

struct i386_siginfo {
    int signo;
    int errno_value;
    int code;
};

enum { SIGILL_ = 4, SIGTRAP_ = 5, SIGBUS_ = 7, SIGFPE_ = 8, SIGSEGV_ = 11, SIGNALS = 65 };
enum { SA_SIGINFO_ = 4, SI_KERNEL_ = 0x80 };

extern int __sigaction(int, const struct kernel_sigaction_glibc *, struct kernel_sigaction_glibc *);

static void (*wine_handlers[SIGNALS])(int, void *, void *);

static int is_fault_signal(int sig) {
    return sig == SIGILL_ || sig == SIGTRAP_ || sig == SIGBUS_ || sig == SIGFPE_ ||
           sig == SIGSEGV_;
}

static long trap_for(int sig, int code) {
    switch (sig) {
    case SIGSEGV_: return code == SI_KERNEL_ ? 13 : 14;
    case SIGBUS_: return code == 1 ? 17 : 13;  /* BUS_ADRALN: alignment check */
    case SIGILL_: return 6;
    case SIGTRAP_: return code == 2 ? 1 : 3;   /* TRAP_TRACE: single step */
    case SIGFPE_:
        if (code == 1) return 0;               /* FPE_INTDIV */
        if (code == 2) return 4;               /* FPE_INTOVF */
        return 16;                             /* an x87 exception */
    }
    return 13;
}

static void mend_and_call(int sig, void *info, void *context) {
    struct i386_ucontext *uc = context;
    const struct i386_siginfo *si = info;
    if ((unsigned long)uc->gregs[REG_TRAPNO] > 31)
        uc->gregs[REG_TRAPNO] = trap_for(sig, si->code);
    wine_handlers[sig](sig, info, context);
}

/* Whoever reads the disposition back sees its own handler, so that one
 * installed again is not wrapped twice. */
int sigaction(int sig, const struct kernel_sigaction_glibc *act,
              struct kernel_sigaction_glibc *old) {
    if (!is_fault_signal(sig))
        return __sigaction(sig, act, old);
    void (*previous)(int, void *, void *) = wine_handlers[sig];
    struct kernel_sigaction_glibc wrapped;
    if (act && (act->flags & SA_SIGINFO_) && act->handler != mend_and_call) {
        wrapped = *act;
        wrapped.handler = mend_and_call;
        wine_handlers[sig] = act->handler;
        act = &wrapped;
    }
    int result = __sigaction(sig, act, old);
    if (result == 0 && old && old->handler == mend_and_call)
        old->handler = previous;
    return result;
}

extern int unsetenv(const char *);

/* qemu gives the variable to the emulated process alone, but a 32-bit Wine
 * process that starts a 64-bit program (the wineserver, say) would hand it on,
 * and the 64-bit loader would complain of a library of the wrong class. Each
 * 32-bit child gets it again from its own qemu. */
__attribute__((constructor)) static void forget_the_preload(void) { unsetenv("LD_PRELOAD"); }
