; A user program for --load/--go: clears the VIO screen, writes ROW0 and ROW1
; on its first two rows, lights every segment of all twenty digits and
; loops with interrupts off. The test replaces ROW0 and ROW1 by strings.
        org 8000h
        di
        ld sp,8000h
        ld hl,4000h             ; the VIO screen, 800 cells
        ld de,4001h
        ld bc,799
        ld (hl),0
        ldir
        ld hl,row0
        ld de,4000h
        ld bc,row1-row0
        ldir
        ld hl,row1
        ld de,4000h+40
        ld bc,rowEnd-row1
        ldir
        xor a                   ; active low: every digit, every segment
        out (80h),a
        out (81h),a
        out (82h),a
        out (90h),a
        out (91h),a
done:   jr done
row0:   defb ROW0
row1:   defb ROW1
rowEnd:
