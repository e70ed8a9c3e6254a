/* Preloaded into Wine's 32-bit processes when they run under qemu-user, on
   machines whose kernel cannot run 32-bit programs itself.

   qemu leaves the trap number of the signal context at -1, so Wine cannot tell
   an access violation from an illegal instruction or a divide by zero, and a
   Windows program's exceptions arrive as the wrong ones. This wraps the
   handlers of SIGSEGV, SIGBUS, SIGFPE and SIGTRAP and fills the trap number in
   from the signal and its code before Wine's handler sees it. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <ucontext.h>

typedef void (*handler_fn)(int, siginfo_t *, void *);

static handler_fn wrapped[NSIG];
static int (*real_sigaction)(int, const struct sigaction *, struct sigaction *);

enum { kDivide = 0, kBreakpoint = 3, kOverflow = 4, kGeneralProtection = 13, kPageFault = 14,
       kFloat = 16, kSingleStep = 1 };

static void with_trap_number(int sig, siginfo_t *info, void *context) {
  greg_t *regs = ((ucontext_t *)context)->uc_mcontext.gregs;
  if ((int)regs[REG_TRAPNO] == -1) {
    switch (sig) {
      case SIGSEGV:
        regs[REG_TRAPNO] = info->si_code == SEGV_MAPERR || info->si_code == SEGV_ACCERR
                               ? kPageFault
                               : kGeneralProtection;
        break;
      case SIGBUS:
        regs[REG_TRAPNO] = kPageFault;
        break;
      case SIGFPE:
        regs[REG_TRAPNO] = info->si_code == FPE_INTDIV   ? kDivide
                           : info->si_code == FPE_INTOVF ? kOverflow
                                                         : kFloat;
        break;
      case SIGTRAP:
        regs[REG_TRAPNO] = info->si_code == TRAP_TRACE ? kSingleStep : kBreakpoint;
        break;
    }
  }
  wrapped[sig](sig, info, context);
}

int sigaction(int sig, const struct sigaction *act, struct sigaction *old) {
  if (real_sigaction == NULL) real_sigaction = dlsym(RTLD_NEXT, "sigaction");
  const int faults = sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE || sig == SIGTRAP;
  if (!faults || act == NULL || !(act->sa_flags & SA_SIGINFO) ||
      act->sa_sigaction == with_trap_number) {
    return real_sigaction(sig, act, old);
  }
  struct sigaction wrapping = *act;
  const handler_fn previous = wrapped[sig];
  wrapped[sig] = act->sa_sigaction;
  wrapping.sa_sigaction = with_trap_number;
  const int result = real_sigaction(sig, &wrapping, old);
  if (old != NULL && (old->sa_flags & SA_SIGINFO) && old->sa_sigaction == with_trap_number) {
    old->sa_sigaction = previous;
  }
  return result;
}
