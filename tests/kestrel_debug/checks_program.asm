; The program of the breakpoint-list and symbol tests: it loops, calls
; nested routines and writes and reads memory. Both pasmo and z80asm
; assemble it.
        org 1800h
start:  ld sp,1f00h
        ld b,3
loop:   call fill
        ld (1900h),a
        djnz loop
        call outer
done:   halt
fill:   ld a,3ch
        call leaf
        ret
leaf:   inc a
        ld (1910h),a
        ret
outer:  call inner
        ret
inner:  ld a,(1900h)
        ret
count:  equ 3
