; A program for the HEX round trip: code, a table longer than one HEX record,
; and odd lengths, assembled by pasmo and by z80asm.
        org 1800h
start:  ld sp,1fa0h
        ld hl,table
        ld b,tableEnd-table
loop:   ld a,(hl)
        out (2),a
        inc hl
        djnz loop
        halt
table:  defb 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25
        defb 0bdh,30h,9bh,0bah,36h,0aeh,0bfh,38h,0bfh,0beh
        defw start,loop,table
        defs 40,0e5h
tableEnd:
        defb 99h
