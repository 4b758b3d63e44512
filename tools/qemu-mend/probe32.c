/* The smallest 32-bit Linux program: it exits with status 0. Whether it runs tells whether
 * this machine runs 32-bit programs at all, natively or through an emulator registered with
 * binfmt_misc. Built with gcc -m32 -nostdlib -static, so it needs no 32-bit C library. */
void _start(void) {
    __asm__ volatile("movl $1, %eax\n\t" /* exit */
                     "xorl %ebx, %ebx\n\t"
                     "int $0x80");
}
