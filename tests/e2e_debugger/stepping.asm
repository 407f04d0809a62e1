; The program of the debugger's stepping test: a loop that calls a routine
; that calls another, forever.
        org 1800h
start:  ld sp,1f00h
main:   call fill
        ld (1900h),a
        jr main
fill:   ld a,3ch
        call leaf
        ret
leaf:   inc a
        ret
