; A small monitor stand-in for kestrel's tests: scans the six keypad columns
; through the 8255 and shows the last key seen on the LED digits, its column
; on digit 3 and its row pattern on digits 1 and 0 (digits 5, 4, 2 blank).
; Before any key it shows "0 FF".

ppia:   equ 0           ; port A: keypad rows (input)
ppib:   equ 1           ; port B: segment pattern
ppic:   equ 2           ; port C: digit select / column select, bit 7 TONE
ppictl: equ 3
pattern: equ 1f00h      ; last row pattern seen
column:  equ 1f01h      ; its column

        org 0
        ld sp, 1ff0h
        ld a, 90h               ; mode 0: A in, B and C out
        out (ppictl), a
        ld a, 0ffh
        ld (pattern), a
        xor a
        ld (column), a

main:   ld b, 0                 ; column number
        ld c, 0feh              ; its select bit, active low
scan:   ld a, c
        or 0c0h                 ; TONE off
        out (ppic), a
        in a, (ppia)
        cp 0ffh
        jr z, nokey
        ld (pattern), a
        ld a, b
        ld (column), a
nokey:  rlc c
        inc b
        ld a, b
        cp 6
        jr nz, scan

        ld a, (pattern)         ; digit 0: low nibble
        and 0fh
        ld e, 01h
        call show
        ld a, (pattern)         ; digit 1: high nibble
        rrca
        rrca
        rrca
        rrca
        and 0fh
        ld e, 02h
        call show
        ld a, (column)          ; digit 3: column
        ld e, 08h
        call show
        jr main

; Latches the segments of hex digit A into the digits selected by E.
show:   ld hl, segments
        add a, l
        ld l, a
        ld a, e
        or 0c0h
        out (ppic), a           ; select the digit, TONE off
        ld a, (hl)
        out (ppib), a           ; latch its pattern
        ld a, 0c0h
        out (ppic), a           ; deselect
        ret

        ds 100h - $, 0ffh       ; the table sits on a page boundary
segments:
        db 0bdh, 030h, 09bh, 0bah, 036h, 0aeh, 0afh, 038h
        db 0bfh, 0beh, 03fh, 0a7h, 08dh, 0b3h, 08fh, 00fh

        ds 1000h - $, 0ffh      ; a full 4 KiB image
