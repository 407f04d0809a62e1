; Test program for plover's end-to-end run: writes READY on the first VIO
; row, then echoes every key pressed on the board onto the second row and
; lights one more display digit per key (digits 1..n all segments lit, the
; others all dark), multiplexing the display between keyboard scans.

count:  equ 0x8000          ; keys typed so far
cursor: equ 0x8002          ; VIO address of the next echoed character

        org 0
        ld sp, 0xff00
        ld hl, ready
        ld de, 0x4000
        ld bc, 5
        ldir
        xor a
        ld (count), a
        ld hl, 0x4028       ; row 1, column 0
        ld (cursor), hl
main:   call show
        call scan
        or a
        jr z, main
        ld hl, (cursor)
        ld (hl), a
        inc hl
        ld (cursor), hl
        ld hl, count
        inc (hl)
release:
        call show           ; wait until the key is let go
        call scan
        or a
        jr nz, release
        jr main

; scan: selects columns 1..20 one at a time (24-bit mask in E:D:C) and reads
; port 92h; returns the character of the first key found in A, or 0.
scan:   ld c, 0xfe
        ld d, 0xff
        ld e, 0xff
        ld hl, keys
        ld b, 20
scan1:  ld a, c
        out (0x80), a
        ld a, d
        out (0x81), a
        ld a, e
        out (0x82), a
        in a, (0x92)
        cp 0xff
        jr nz, found
        inc hl
        inc hl
        inc hl
        scf
        rl c
        rl d
        rl e
        djnz scan1
        xor a
        ret
found:  rrca                ; bit 0 clear: row 1
        jr nc, got
        inc hl
        rrca                ; bit 1 clear: row 2
        jr nc, got
        inc hl              ; else row 3
got:    ld a, (hl)
        ret

; show: one pass over the 20 digits, each selected alone for about 150
; instructions with all segments lit (digits 1..count) or dark.
show:   ld c, 0xfe
        ld d, 0xff
        ld e, 0xff
        ld a, (count)
        ld h, a
        ld l, 20
show1:  ld a, 0xff          ; nothing selected while the segments change
        out (0x80), a
        out (0x81), a
        out (0x82), a
        ld a, h
        or a
        ld a, 0xff
        jr z, dark
        xor a
        dec h
dark:   out (0x90), a
        out (0x91), a
        ld a, c
        out (0x80), a
        ld a, d
        out (0x81), a
        ld a, e
        out (0x82), a
        ld b, 150
hold:   djnz hold
        scf
        rl c
        rl d
        rl e
        dec l
        jr nz, show1
        ret

ready:  defm "READY"

; characters of the keys by column: row 1, row 2, row 3
keys:   defm "1A "
        defm "2S<"
        defm "3D>"
        defm "4Fv"
        defm "5G^"
        defm "6H#"
        defm "7J$"
        defm "8K"
        defb 0
        defm "9L"
        defb 0
        defm "0/"
        defb 0
        defm "QZ"
        defb 0
        defm "WX"
        defb 0
        defm "EC"
        defb 0
        defm "RV"
        defb 0
        defm "TB"
        defb 0
        defm "YN"
        defb 0
        defm "UM"
        defb 0
        defm "I,"
        defb 0
        defm "O."
        defb 0
        defm "P;"
        defb 0
