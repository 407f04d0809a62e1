; A user program for --load/--go: latches six fixed segment patterns into the
; digits and halts. PATTERN is replaced by the test (six bytes, rightmost
; digit first).
        org 1800h
        ld sp,1f80h
        ld a,90h            ; PPI: A in, B and C out
        out (3),a
        ld hl,pattern
        ld c,1              ; select bit of the rightmost digit
        ld b,6
next:   ld a,c
        or 80h              ; TONE off
        out (2),a           ; select one digit
        ld a,(hl)
        out (1),a           ; the selected digit takes the pattern
        inc hl
        sla c
        djnz next
        ld a,80h
        out (2),a
        halt
pattern: defb PATTERN
