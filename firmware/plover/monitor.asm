; ===========================================================================
; plover monitor: the ROM of the MPF-1 Plus board as this project writes it.
; 8 KiB at 0000h-1FFFh, assembled with pasmo.
;
; Hardware it drives
;   OUT 80h, 81h, 82h   digit and keyboard-column select, active low:
;                       bit n of 80h = digit/column n+1 (1-8), of 81h = 9-16,
;                       bits 0-3 of 82h = 17-20. Digit 1 is the leftmost.
;   OUT 90h, 91h        segment latch, active low: bit n of 90h = segment n+1,
;                       bit n of 91h = segment n+9 (9-15).
;   IN  92h             the keys of the selected column: row 1 clears bit 0,
;                       row 2 bit 1, row 3 bit 2.
;   IN  82h             modifier keys: 01h Shift, 02h Control, FFh neither.
;   4000h-431Fh         the VIO text screen, 40 x 20 characters, row-major;
;                       codes 80h-FFh show inverted.
;   Interrupt           every 20 ms while enabled, IM 1 -> 0038h.
;
; The display latches are sampled by the board only now and then, so each
; digit is kept selected for more than a hundred instructions; between two
; digits nothing is selected while the segment latch changes, so no digit
; ever catches the pattern of its neighbour.
; ===========================================================================

; ---- ports ----------------------------------------------------------------
DIGSEL0     equ 80h             ; digits / columns 1-8
DIGSEL1     equ 81h             ; digits / columns 9-16
DIGSEL2     equ 82h             ; digits / columns 17-20 (bits 0-3)
SEGLOW      equ 90h             ; segments 1-8
SEGHIGH     equ 91h             ; segments 9-15
KEYPORT     equ 92h             ; rows of the selected keyboard column
MODPORT     equ 82h             ; Shift / Control

; ---- VIO text screen ------------------------------------------------------
VIO         equ 4000h
COLS        equ 40
ROWS        equ 20

; ---- display --------------------------------------------------------------
DIGITS      equ 20
HOLD        equ 100             ; DJNZ turns each digit stays selected

; ---- character codes ------------------------------------------------------
K_BS        equ 08h             ; cursor left: rub out
K_RIGHT     equ 09h             ; cursor right
K_DOWN      equ 0Ah             ; cursor down
K_UP        equ 0Bh             ; cursor up: recall the previous line
K_CLS       equ 0Ch             ; clear the screen (PUTCHAR only)
K_CR        equ 0Dh             ; Enter
K_ESC       equ 1Bh             ; F4: cancel the line

; ---- work RAM: FE00h-FEFFh stack, FF00h-FFFCh variables, FFFDh hook --------
STACKTOP    equ 0FF00h
TICKS       equ 0FF00h          ; 2: +1 every interrupt (20 ms)
CURADR      equ 0FF02h          ; 2: VIO address of the cursor
CURROW      equ 0FF04h          ; cursor row 0-19
CURCOL      equ 0FF05h          ; cursor column 0-39
CURON       equ 0FF06h          ; non-zero: the interrupt blinks the cursor
LASTKEY     equ 0FF07h          ; key number seen by the previous scan, FFh none
CAPTURE     equ 0FF08h          ; non-zero: printed text also goes to the display
CAPIDX      equ 0FF09h          ; next display position for captured text
LINELEN     equ 0FF0Ah          ; characters in LINEBUF
LINEMAX     equ 0FF0Bh          ; room on the screen row for the line
DUMPNEXT    equ 0FF0Ch          ; 2: where a D without address goes on
ARG1        equ 0FF0Eh          ; 2
ARG2        equ 0FF10h          ; 2
ARG3        equ 0FF12h          ; 1
DUMPN       equ 0FF13h          ; bytes on the dump line being printed
SCANKEY     equ 0FF14h          ; first key found by the current scan
SCANCOL     equ 0FF15h          ; column being scanned
COUNT       equ 0FF16h          ; 2
DISPBUF     equ 0FF20h          ; 20: characters on the display, leftmost first
LINEBUF     equ 0FF40h          ; 40: the line being typed, zero-terminated
PREVLINE    equ 0FF68h          ; 40: the last non-empty line entered
TMPBUF      equ 0FF90h          ; 24: bytes collected by M before storing
TMPSZ       equ 24
LINESZ      equ 40
PROTLOW     equ 0FE00h          ; M and F refuse FE00h-FFFCh
PROTHIGH    equ 0FFFCh
USRINT      equ 0FFFDh          ; 3: called by the interrupt, RET after reset
RAMSTART    equ 0FF00h          ; variables cleared at reset
RAMSIZE     equ 0FDh

; ===========================================================================
; Restarts and the interrupt
; ===========================================================================
            org 0000h
RESET:      di
            jp COLD

            org 0008h
            jp PUTCHAR          ; RST 08h: print A
            org 0010h
            jp GETKEY           ; RST 10h: wait for a key, A = character
            org 0018h
            jp PUTSTR           ; RST 18h: print the string at HL
            org 0020h
            jp PUTHEX2          ; RST 20h: print A as two hex digits
            org 0028h
            jp SCAN             ; RST 28h: one display and keyboard pass
            org 0030h
            jp MONITOR          ; RST 30h: back to the command line
            org 0038h
            jp TICK             ; interrupt, IM 1

; ===========================================================================
; Entry points for user programs (fixed addresses)
; ===========================================================================
            org 0040h
            jp COLD             ; 0040h cold start
            jp MONITOR          ; 0043h warm start: command line
            jp PUTCHAR          ; 0046h print A on the VIO screen
            jp PUTSTR           ; 0049h print the zero-terminated string at HL
            jp PUTHEX2          ; 004Ch print A as two hex digits
            jp PUTHEX4          ; 004Fh print HL as four hex digits
            jp GETKEY           ; 0052h wait for a new key press, A = character
            jp SCAN             ; 0055h one pass over the display and keyboard
            jp KEYCHAR          ; 0058h key number in A -> character in A
            jp SEGCODE          ; 005Bh character in A -> segment pattern in HL
            jp SHOWTEXT         ; 005Eh copy 20 characters at HL to the display
            jp READLINE         ; 0061h read a line into LINEBUF

; ===========================================================================
; Interrupt: tick counter, cursor blink, user hook
; ===========================================================================
TICK:       push af
            push hl
            ld hl,(TICKS)
            inc hl
            ld (TICKS),hl
            ld a,(CURON)
            or a
            jr z,tick_hook
            ld a,l              ; 16 ticks on, 16 off
            and 10h
            rlca
            rlca
            rlca
            or ' '              ; A0h: inverted space (a block), or 20h
            ld hl,(CURADR)
            ld (hl),a
tick_hook:  call USRINT
            pop hl
            pop af
            ei
            reti

; ===========================================================================
; Cold start and the command loop
; ===========================================================================
COLD:       di
            ld sp,STACKTOP
            im 1
            ld a,0FFh           ; nothing selected, nothing lit
            out (DIGSEL0),a
            out (DIGSEL1),a
            out (DIGSEL2),a
            out (SEGLOW),a
            out (SEGHIGH),a
            ld hl,RAMSTART      ; clear the variables
            ld b,RAMSIZE
cold_clr:   ld (hl),0
            inc hl
            djnz cold_clr
            ld a,0C9h           ; the interrupt hook is a RET
            ld (USRINT),a
            ld a,0FFh
            ld (LASTKEY),a
            ld hl,4400h
            ld (DUMPNEXT),hl
            call CLS
            ld hl,MSG_BANNER
            call PUTSTR
            ld hl,DISP_BANNER
            call SHOWTEXT
            ; fall through

MONITOR:    ld sp,STACKTOP
            im 1
            ei
            xor a
            ld (CAPTURE),a
            ld a,(CURCOL)       ; the prompt starts a fresh row
            or a
            ld a,K_CR
            call nz,PUTCHAR
            ld hl,MSG_PROMPT
            call PUTSTR
            call READLINE
            call EXEC
            jr MONITOR

; Prints "ERROR" and abandons the command.
ERROR:      ld hl,MSG_ERROR
            call PUTSTR
            jr MONITOR

; Runs the command in LINEBUF.
EXEC:       ld hl,LINEBUF
            call SKIPSP
            or a
            ret z
            call UPCASE
            inc hl
            ld c,a
            push hl             ; the first row the command prints is also
            ld hl,DISPBUF       ; shown on the display
            ld b,DIGITS
exec_clr:   ld (hl),' '
            inc hl
            djnz exec_clr
            xor a
            ld (CAPIDX),a
            inc a
            ld (CAPTURE),a
            pop hl
            ld a,c
            cp 'D'
            jp z,CMD_DUMP
            cp 'M'
            jp z,CMD_MODIFY
            cp 'F'
            jp z,CMD_FILL
            cp 'G'
            jp z,CMD_GO
            cp 'H'
            jp z,CMD_HELP
            cp '?'
            jp z,CMD_HELP
            cp 'C'
            jp z,CMD_CLEAR
            jr ERROR

; ---------------------------------------------------------------------------
; D [start [end]]: dump memory, 8 bytes a row, 64 bytes when no end is given;
; without a start it goes on where the last dump stopped.
; ---------------------------------------------------------------------------
CMD_DUMP:   call GETHEX
            jr nc,cd_start
            call CHKEND
            ld de,(DUMPNEXT)
            ld bc,64
            jr cd_go
cd_start:   ld (ARG1),de
            call GETHEX
            jr nc,cd_range
            call CHKEND
            ld de,(ARG1)
            ld bc,64
            jr cd_go
cd_range:   call CHKEND
            ex de,hl            ; HL = end
            ld de,(ARG1)
            or a
            sbc hl,de
            jp c,ERROR          ; end before start
            inc hl              ; count; 0 stands for all 65,536 bytes
            ld b,h
            ld c,l
cd_go:      ex de,hl
            call DUMPRANGE
            ld (DUMPNEXT),hl
            ret

; Prints BC bytes (0 = 65,536) from HL as dump rows; HL ends past them.
DUMPRANGE:  ld a,b
            or a
            jr nz,dr_eight
            ld a,c
            or a
            jr z,dr_eight
            cp 8
            jr c,dr_n
dr_eight:   ld a,8
dr_n:       ld (DUMPN),a
            push bc
            call PUTHEX4
            push hl
            ld a,(DUMPN)
            ld b,a
dr_hex:     ld a,' '
            call PUTCHAR
            ld a,(hl)
            call PUTHEX2
            inc hl
            djnz dr_hex
            ld a,(DUMPN)        ; a short last row keeps the text column
            ld b,a
            ld a,8
            sub b
            jr z,dr_gap
            ld b,a
dr_pad:     ld a,' '
            call PUTCHAR
            call PUTCHAR
            call PUTCHAR
            djnz dr_pad
dr_gap:     ld a,' '
            call PUTCHAR
            call PUTCHAR
            pop hl
            ld a,(DUMPN)
            ld b,a
dr_text:    ld a,(hl)
            cp ' '
            jr c,dr_dot
            cp 7Fh
            jr c,dr_char
dr_dot:     ld a,'.'
dr_char:    call PUTCHAR
            inc hl
            djnz dr_text
            ld a,K_CR
            call PUTCHAR
            pop bc
            ld a,(DUMPN)
            ld e,a
            ld d,0
            push hl
            ld h,b
            ld l,c
            or a
            sbc hl,de
            ld b,h
            ld c,l
            pop hl
            ld a,b
            or c
            ret z
            call BREAKCHK       ; F4 stops a long dump
            jr nc,DUMPRANGE
            push hl
            ld hl,MSG_BREAK
            call PUTSTR
            pop hl
            ret

; CY set while F4 is held. Looks at keyboard column 7 alone, with digit 7
; showing its own character meanwhile, so the display keeps its picture.
BREAKCHK:   push hl
            ld a,0FFh
            out (DIGSEL0),a
            out (DIGSEL1),a
            out (DIGSEL2),a
            ld a,(DISPBUF+6)
            call SEGCODE
            ld a,l
            cpl
            out (SEGLOW),a
            ld a,h
            cpl
            out (SEGHIGH),a
            ld a,0BFh           ; digit and column 7
            out (DIGSEL0),a
            in a,(KEYPORT)
            ld l,a
            ld a,0FFh
            out (DIGSEL0),a
            ld a,l
            pop hl
            cpl
            and 04h             ; row 3: F4 (clears CY)
            ret z
            scf
            ret

; ---------------------------------------------------------------------------
; M addr bb bb ...: store the bytes from addr and show the row read back.
; M addr: step through memory, one byte a line: a hex value stores it, an
; empty line keeps it, "." ends. Stepping ends by itself after FDFFh, below
; the monitor's own RAM, and after FFFFh, and does not start inside it.
; ---------------------------------------------------------------------------
CMD_MODIFY: call GETHEX
            jp c,ERROR
            ld (ARG1),de
            ld b,0              ; bytes collected; nothing is stored before
cm_next:    call GETHEX         ; the whole line has been checked
            jr c,cm_parsed
            ld a,d
            or a
            jp nz,ERROR         ; more than a byte
            ld a,b
            cp TMPSZ
            jp nc,ERROR
            push hl
            ld hl,TMPBUF
            ld a,l
            add a,b
            ld l,a
            ld (hl),e
            pop hl
            inc b
            jr cm_next
cm_parsed:  call CHKEND
            ld a,b
            or a
            jr z,MODSTEP
            ld c,b
            ld b,0
            ld (COUNT),bc
            ld de,(ARG1)
            call CHKRANGE
            ld hl,TMPBUF
            ldir
            ld hl,(ARG1)
            ld bc,(COUNT)
            jp DUMPRANGE

MODSTEP:    ld de,(ARG1)
            ld bc,1
            call CHKRANGE
            xor a
            ld (CAPTURE),a
ms_loop:    ld hl,(ARG1)
            call PUTHEX4
            ld a,' '
            call PUTCHAR
            ld a,(hl)
            call PUTHEX2
            ld a,' '
            call PUTCHAR
            call SHOWLINE
            call READLINE
            ld hl,LINEBUF
            call SKIPSP
            or a
            jr z,ms_skip
            cp '.'
            ret z
            call GETHEX
            ld a,d
            or a
            jp nz,ERROR
            call CHKEND
            push de
            ld de,(ARG1)
            ld bc,1
            call CHKRANGE
            pop de
            ld hl,(ARG1)
            ld (hl),e
ms_skip:    ld hl,(ARG1)
            inc hl
            ld (ARG1),hl
            call ATEND
            jr nz,ms_loop
            ret

; Z when HL, the next address to change, is FE00h or wrapped to 0000h: M
; stops after FDFFh and after FFFFh.
ATEND:      ld a,l
            or a
            ret nz
            ld a,h
            or a
            ret z
            cp PROTLOW/256
            ret

; ---------------------------------------------------------------------------
; F start end bb: fill start..end with bb.
; ---------------------------------------------------------------------------
CMD_FILL:   call GETHEX
            jp c,ERROR
            ld (ARG1),de
            call GETHEX
            jp c,ERROR
            ld (ARG2),de
            call GETHEX
            jp c,ERROR
            ld a,d
            or a
            jp nz,ERROR
            ld a,e
            ld (ARG3),a
            call CHKEND
            ld hl,(ARG2)
            ld de,(ARG1)
            or a
            sbc hl,de
            jp c,ERROR
            inc hl
            ld b,h
            ld c,l
            call CHKRANGE
            ld hl,(ARG1)
            ld a,(ARG3)
            ld e,a
cf_loop:    ld (hl),e
            inc hl
            dec bc
            ld a,b
            or c
            jr nz,cf_loop
            ld hl,MSG_OK
            jp PUTSTR

; ---------------------------------------------------------------------------
; G addr: call the program at addr; a RET comes back to the command line.
; ---------------------------------------------------------------------------
CMD_GO:     call GETHEX
            jp c,ERROR
            call CHKEND
            xor a
            ld (CAPTURE),a
            ex de,hl
            call cg_jump
            jp MONITOR          ; whatever the program did to SP, IM and IFF
cg_jump:    jp (hl)

; ---------------------------------------------------------------------------
; H or ?: the command summary.  C: clear the screen.
; ---------------------------------------------------------------------------
CMD_HELP:   call CHKEND
            ld hl,MSG_HELP
            jp PUTSTR

CMD_CLEAR:  call CHKEND
            ld a,K_CLS
            call PUTCHAR
            ld hl,DISP_BANNER
            jp SHOWTEXT

; ===========================================================================
; Parsing helpers. HL walks the line.
; ===========================================================================

; A = first character at HL that is not a space.
SKIPSP:     ld a,(hl)
            cp ' '
            ret nz
            inc hl
            jr SKIPSP

; Anything but spaces left on the line is an error.
CHKEND:     call SKIPSP
            or a
            ret z
            jp ERROR

UPCASE:     cp 'a'
            ret c
            cp 'z'+1
            ret nc
            sub 20h
            ret

; A = value of the hex digit in A, CY set when it is not one.
HEXVAL:     call UPCASE
            sub '0'
            ret c
            cp 10
            jr c,hv_ok
            sub 'A'-'0'
            ret c
            cp 6
            jr nc,hv_bad
            add a,10
hv_ok:      or a
            ret
hv_bad:     scf
            ret

; DE = next hex number (1-4 digits), CY set when the line holds no more.
; A number must end at a space or the end of the line. Keeps BC.
GETHEX:     push bc
            call SKIPSP
            ld de,0
            ld b,0
gh_digit:   ld a,(hl)
            call HEXVAL
            jr c,gh_end
            ex de,hl
            add hl,hl
            add hl,hl
            add hl,hl
            add hl,hl
            ex de,hl
            or e
            ld e,a
            inc hl
            inc b
            ld a,b
            cp 5
            jp nc,ERROR         ; more than four digits
            jr gh_digit
gh_end:     ld a,b
            pop bc
            or a
            scf
            ret z               ; no digit: CY
            ld a,(hl)
            or a
            ret z               ; end of line, CY clear
            cp ' '
            ret z
            jp ERROR

; Refuses BC bytes (BC >= 1) from DE that wrap past FFFFh or touch the
; monitor's stack and variables (FE00h-FFFCh). Keeps BC, DE, HL.
CHKRANGE:   push hl
            push bc
            dec bc
            ld h,d
            ld l,e
            add hl,bc           ; HL = last byte
            pop bc
            jp c,ERROR
            ld a,h
            cp PROTLOW/256
            jr c,cr_ok          ; ends below FE00h
            ld a,d
            cp 0FFh
            jp nz,ERROR         ; starts at or below FEFFh
            ld a,e
            cp PROTHIGH-0FF00h+1
            jp c,ERROR          ; starts inside FF00h-FFFCh
cr_ok:      pop hl
            ret

; ===========================================================================
; Line input
; ===========================================================================

; Reads a line into LINEBUF (zero-terminated, LINELEN characters) from the
; cursor position to the end of the screen row, echoing each key on the VIO
; screen and the display. Left rubs out, F4 cancels, Up recalls the last line,
; Enter ends (and prints a new line).
READLINE:   ld a,(CURCOL)
            ld b,a
            ld a,COLS-1
            sub b
            ld (LINEMAX),a
            xor a
            ld (LINELEN),a
            ld (LINEBUF),a
rl_key:     call GETKEY
            cp K_CR
            jr z,rl_enter
            cp K_BS
            jr z,rl_back
            cp K_ESC
            jr z,rl_cancel
            cp K_UP
            jr z,rl_recall
            cp ' '
            jr c,rl_key         ; other control keys do nothing here
            call rl_add
            jr rl_show
rl_back:    call rl_rub
            jr rl_show
rl_cancel:  call rl_clear
            jr rl_show
rl_recall:  call rl_clear
            ld hl,PREVLINE
rl_rc:      ld a,(hl)
            or a
            jr z,rl_show
            inc hl
            push hl
            call rl_add
            pop hl
            jr rl_rc
rl_show:    call SHOWLINE
            jr rl_key
rl_enter:   ld a,(LINELEN)
            or a
            jr z,rl_done
            ld hl,LINEBUF
            ld de,PREVLINE
            ld bc,LINESZ
            ldir
rl_done:    ld a,K_CR
            jp PUTCHAR

rl_add:     ld c,a
            ld a,(LINEMAX)
            ld b,a
            ld a,(LINELEN)
            cp b
            ret nc              ; the row is full
            ld e,a
            ld d,0
            ld hl,LINEBUF
            add hl,de
            ld (hl),c
            inc hl
            ld (hl),0
            inc a
            ld (LINELEN),a
            ld a,c
            jp PUTCHAR

rl_rub:     ld a,(LINELEN)
            or a
            ret z
            dec a
            ld (LINELEN),a
            ld e,a
            ld d,0
            ld hl,LINEBUF
            add hl,de
            ld (hl),0
            ld a,K_BS
            jp PUTCHAR

rl_clear:   ld a,(LINELEN)
            or a
            ret z
            call rl_rub
            jr rl_clear

; The display shows the cursor's screen row: its first 20 characters, or the
; 20 that end at the cursor once the cursor has passed column 19.
SHOWLINE:   push bc
            push de
            push hl
            ld a,(CURCOL)
            sub DIGITS-1
            jr nc,sl_from
            xor a
sl_from:    ld b,a              ; first column shown
            ld a,(CURCOL)
            sub b
            ld c,a
            ld b,0
            ld hl,(CURADR)
            or a
            sbc hl,bc
            ld de,DISPBUF
            ld b,DIGITS
sl_copy:    ld a,(hl)
            and 7Fh             ; the blinking cursor shows as a space
            ld (de),a
            inc hl
            inc de
            djnz sl_copy
            pop hl
            pop de
            pop bc
            ret

; Copies the 20 characters at HL to the display. Keeps all but AF.
SHOWTEXT:   push bc
            push de
            push hl
            ld de,DISPBUF
            ld bc,DIGITS
            ldir
            pop hl
            pop de
            pop bc
            ret

; ===========================================================================
; Keyboard
; ===========================================================================

; Waits for a key that was not down at the previous scan and returns its
; character in A. Scans the display meanwhile. Keeps BC, DE, HL.
GETKEY:     push hl
gk_scan:    call SCAN
            ld hl,LASTKEY
            cp (hl)
            ld (hl),a
            jr z,gk_scan        ; same as before: held, or still nothing
            cp 0FFh
            jr z,gk_scan
            call KEYCHAR
            or a
            jr z,gk_scan        ; a key with no character
            pop hl
            ret

; Key number (column * 3 + row, both from 0) in A -> character in A, using
; Shift and Control as they are held now. 0 for a key with no character.
; Keeps BC, DE, HL.
KEYCHAR:    push de
            push hl
            cp DIGITS*3
            jr nc,kc_none
            ld e,a
            ld d,0
            in a,(MODPORT)
            ld hl,KEYTAB
            cp 01h
            jr nz,kc_table
            ld hl,SHIFTTAB
kc_table:   add hl,de
            ld d,a              ; modifier byte
            ld a,(hl)
            ld e,a
            ld a,d
            cp 02h
            ld a,e
            jr nz,kc_done
            cp 'A'              ; Control with a letter: its control code
            jr c,kc_punct
            cp 'Z'+1
            jr nc,kc_done
            and 1Fh
            jr kc_done
kc_punct:   ld hl,CTRLTAB-1     ; Control with , . ; gives - + '
kc_look:    inc hl
            ld d,(hl)
            inc hl
            inc d
            dec d
            jr z,kc_done        ; any other: the key's own character
            cp d
            jr nz,kc_look
            ld a,(hl)
            jr kc_done
kc_none:    xor a
kc_done:    pop hl
            pop de
            ret

; ===========================================================================
; Display and keyboard scan
; ===========================================================================

; One pass over the 20 digits: each shows its character from DISPBUF for
; HOLD turns, and the keyboard column of the same number is read meanwhile.
; Returns A = number of the first key found (column * 3 + row), FFh when no
; key is down. Keeps BC, DE, HL.
SCAN:       push bc
            push de
            push hl
            ld a,0FFh
            ld (SCANKEY),a
            xor a
            ld (SCANCOL),a
            ld hl,DISPBUF
            ld de,SELTAB
sc_digit:   ld a,0FFh           ; deselect while the segments change
            out (DIGSEL0),a
            out (DIGSEL1),a
            out (DIGSEL2),a
            ld a,(hl)
            inc hl
            push hl
            call SEGCODE
            ld a,l
            cpl
            out (SEGLOW),a
            ld a,h
            cpl
            out (SEGHIGH),a
            ld a,(de)           ; the port that selects this digit
            ld c,a
            inc de
            ld a,(de)           ; and the byte with its bit low
            inc de
            out (c),a
            in a,(KEYPORT)
            cpl
            and 07h
            jr z,sc_hold
            ld c,a              ; row bits, set where a key is down
            ld a,(SCANKEY)
            inc a
            jr nz,sc_hold       ; a key was found earlier in this pass
            ld a,(SCANCOL)
            ld b,a
            add a,a
            add a,b             ; column * 3
            srl c
            jr c,sc_found
            inc a
            srl c
            jr c,sc_found
            inc a
sc_found:   ld (SCANKEY),a
sc_hold:    ld b,HOLD
sc_wait:    djnz sc_wait
            pop hl
            ld a,(SCANCOL)
            inc a
            ld (SCANCOL),a
            cp DIGITS
            jr c,sc_digit
            ld a,0FFh
            out (DIGSEL0),a
            out (DIGSEL1),a
            out (DIGSEL2),a
            ld a,(SCANKEY)
            pop hl
            pop de
            pop bc
            ret

; Character in A -> segment pattern in HL, a set bit for a lit segment
; (bit 0 = segment 1 ... bit 14 = decimal point). Lower case shows as upper
; case; control codes are blank. Keeps BC, DE.
SEGCODE:    and 7Fh
            cp 60h
            jr c,sg_upper
            sub 20h
sg_upper:   sub 20h
            jr nc,sg_look
            ld hl,0
            ret
sg_look:    push de
            ld l,a
            ld h,0
            add hl,hl
            ld de,SEGTAB
            add hl,de
            ld e,(hl)
            inc hl
            ld d,(hl)
            ex de,hl
            pop de
            ret

; ===========================================================================
; VIO screen output
; ===========================================================================

; Prints the character in A at the cursor: printable codes advance (wrapping
; at the end of a row), 0Dh starts a new row, 08h rubs out the character to
; the left, 0Ch clears the screen; other control codes are ignored. The
; screen scrolls up when the cursor leaves the last row. Keeps all registers.
PUTCHAR:    push af
            push bc
            push de
            push hl
            ld c,a
            xor a
            ld (CURON),a        ; the interrupt leaves the cursor alone now
            ld hl,(CURADR)
            ld (hl),' '
            ld a,(CAPTURE)
            or a
            call nz,CAPCHAR
            ld a,c
            cp K_CR
            jr z,pc_newline
            cp K_BS
            jr z,pc_back
            cp K_CLS
            jr z,pc_clear
            cp ' '
            jr c,pc_done
            ld hl,(CURADR)
            ld (hl),a
            ld a,(CURCOL)
            inc a
            cp COLS
            jr nc,pc_newline
            ld (CURCOL),a
            inc hl
            ld (CURADR),hl
            jr pc_done
pc_newline: xor a
            ld (CURCOL),a
            ld a,(CURROW)
            inc a
            cp ROWS
            jr c,pc_row
            call SCROLL
            ld a,ROWS-1
pc_row:     ld (CURROW),a
            call SETCUR
            jr pc_done
pc_back:    ld a,(CURCOL)
            or a
            jr z,pc_done
            dec a
            ld (CURCOL),a
            ld hl,(CURADR)
            dec hl
            ld (hl),' '
            ld (CURADR),hl
            jr pc_done
pc_clear:   call CLS
pc_done:    ld a,1
            ld (CURON),a
            pop hl
            pop de
            pop bc
            pop af
            ret

; Character in C also goes to the display while a command prints its first
; row.
CAPCHAR:    ld a,c
            cp K_CR
            jr z,cap_end
            cp ' '
            ret c
            ld a,(CAPIDX)
            cp DIGITS
            ret nc
            ld e,a
            ld d,0
            ld hl,DISPBUF
            add hl,de
            ld (hl),c
            inc a
            ld (CAPIDX),a
            ret
cap_end:    xor a
            ld (CAPTURE),a
            ret

; Prints the zero-terminated string at HL; HL ends past the terminator.
PUTSTR:     ld a,(hl)
            inc hl
            or a
            ret z
            call PUTCHAR
            jr PUTSTR

; Prints HL as four hex digits. Keeps all registers.
PUTHEX4:    push af
            ld a,h
            call PUTHEX2
            ld a,l
            call PUTHEX2
            pop af
            ret

; Prints A as two hex digits. Keeps all registers.
PUTHEX2:    push af
            rrca
            rrca
            rrca
            rrca
            call PUTNIB
            pop af
            push af
            call PUTNIB
            pop af
            ret
PUTNIB:     and 0Fh
            cp 10
            jr c,pn_digit
            add a,'A'-'0'-10
pn_digit:   add a,'0'
            jp PUTCHAR

; CURADR from CURROW and CURCOL.
SETCUR:     push de
            ld a,(CURROW)
            ld l,a
            ld h,0
            add hl,hl
            add hl,hl
            add hl,hl           ; row * 8
            ld d,h
            ld e,l
            add hl,hl
            add hl,hl           ; row * 32
            add hl,de           ; row * 40
            ld a,(CURCOL)
            ld e,a
            ld d,0
            add hl,de
            ld de,VIO
            add hl,de
            ld (CURADR),hl
            pop de
            ret

; Moves the screen up one row and blanks the last row.
SCROLL:     ld hl,VIO+COLS
            ld de,VIO
            ld bc,COLS*(ROWS-1)
            ldir
            ld hl,VIO+COLS*(ROWS-1)
            ld b,COLS
scr_blank:  ld (hl),' '
            inc hl
            djnz scr_blank
            ret

; Blanks the screen and puts the cursor at the top left.
CLS:        ld hl,VIO
            ld (hl),' '
            ld de,VIO+1
            ld bc,COLS*ROWS-1
            ldir
            xor a
            ld (CURROW),a
            ld (CURCOL),a
            jp SETCUR

; ===========================================================================
; Tables and texts
; ===========================================================================

; Select port and active-low bit of digit / column 1 to 20.
SELTAB:     defb DIGSEL0,0FEh, DIGSEL0,0FDh, DIGSEL0,0FBh, DIGSEL0,0F7h
            defb DIGSEL0,0EFh, DIGSEL0,0DFh, DIGSEL0,0BFh, DIGSEL0,07Fh
            defb DIGSEL1,0FEh, DIGSEL1,0FDh, DIGSEL1,0FBh, DIGSEL1,0F7h
            defb DIGSEL1,0EFh, DIGSEL1,0DFh, DIGSEL1,0BFh, DIGSEL1,07Fh
            defb DIGSEL2,0FEh, DIGSEL2,0FDh, DIGSEL2,0FBh, DIGSEL2,0F7h

; Keys by column 1-20, rows 1-3 of each.
KEYTAB:     defb '1','A',' ',     '2','S',K_BS,   '3','D',K_RIGHT
            defb '4','F',K_DOWN,  '5','G',K_UP,   '6','H',K_CR
            defb '7','J',K_ESC,   '8','K',0,      '9','L',0
            defb '0','/',0,       'Q','Z',0,      'W','X',0
            defb 'E','C',0,       'R','V',0,      'T','B',0
            defb 'Y','N',0,       'U','M',0,      'I',',',0
            defb 'O','.',0,       'P',';',0
; Keys that give another character with Control: the key, the character.
CTRLTAB:    defb ',','-', '.','+', ';',27h, 0
; The same with Shift held.
SHIFTTAB:   defb '!','a',' ',     '@','s',K_BS,   '#','d',K_RIGHT
            defb '$','f',K_DOWN,  '%','g',K_UP,   '^','h',K_CR
            defb '&','j',K_ESC,   '*','k',0,      '(','l',0
            defb ')','?',0,       'q','z',0,      'w','x',0
            defb 'e','c',0,       'r','v',0,      't','b',0
            defb 'y','n',0,       'u','m',0,      'i','<',0
            defb 'o','>',0,       'p',':',0

; Fourteen-segment patterns for 20h-5Fh. Bit n lights segment n+1.
S_A         equ 0001h           ; top bar
S_B         equ 0002h           ; upper right vertical
S_C         equ 0004h           ; lower right vertical
S_D         equ 0008h           ; bottom bar
S_E         equ 0010h           ; lower left vertical
S_F         equ 0020h           ; upper left vertical
S_G1        equ 0040h           ; middle bar, left half
S_G2        equ 0080h           ; middle bar, right half
S_I         equ 0100h           ; upper centre vertical
S_L         equ 0200h           ; lower centre vertical
S_K         equ 0400h           ; upper right diagonal
S_H         equ 0800h           ; upper left diagonal
S_N         equ 1000h           ; lower right diagonal
S_M         equ 2000h           ; lower left diagonal
S_DP        equ 4000h           ; decimal point

SEGTAB:     defw 0                                      ; space
            defw S_I+S_DP                               ; !
            defw S_F+S_I                                ; "
            defw S_B+S_C+S_D+S_G1+S_G2+S_I+S_L          ; #
            defw S_A+S_C+S_D+S_F+S_G1+S_G2+S_I+S_L      ; $
            defw S_C+S_F+S_K+S_M                        ; %
            defw S_A+S_D+S_E+S_G1+S_H+S_K+S_N           ; &
            defw S_I                                    ; '
            defw S_K+S_N                                ; (
            defw S_H+S_M                                ; )
            defw S_G1+S_G2+S_I+S_L+S_H+S_K+S_M+S_N      ; *
            defw S_G1+S_G2+S_I+S_L                      ; +
            defw S_M                                    ; ,
            defw S_G1+S_G2                              ; -
            defw S_DP                                   ; .
            defw S_K+S_M                                ; /
            defw S_A+S_B+S_C+S_D+S_E+S_F+S_K+S_M        ; 0
            defw S_B+S_C                                ; 1
            defw S_A+S_B+S_D+S_E+S_G1+S_G2              ; 2
            defw S_A+S_B+S_C+S_D+S_G2                   ; 3
            defw S_B+S_C+S_F+S_G1+S_G2                  ; 4
            defw S_A+S_C+S_D+S_F+S_G1+S_G2              ; 5
            defw S_A+S_C+S_D+S_E+S_F+S_G1+S_G2          ; 6
            defw S_A+S_B+S_C                            ; 7
            defw S_A+S_B+S_C+S_D+S_E+S_F+S_G1+S_G2      ; 8
            defw S_A+S_B+S_C+S_D+S_F+S_G1+S_G2          ; 9
            defw S_I+S_L                                ; :
            defw S_I+S_M                                ; ;
            defw S_K+S_N                                ; <
            defw S_D+S_G1+S_G2                          ; =
            defw S_H+S_M                                ; >
            defw S_A+S_B+S_G2+S_L                       ; ?
            defw S_A+S_B+S_D+S_E+S_F+S_G2+S_I           ; @
            defw S_A+S_B+S_C+S_E+S_F+S_G1+S_G2          ; A
            defw S_A+S_B+S_C+S_D+S_G2+S_I+S_L           ; B
            defw S_A+S_D+S_E+S_F                        ; C
            defw S_A+S_B+S_C+S_D+S_I+S_L                ; D
            defw S_A+S_D+S_E+S_F+S_G1                   ; E
            defw S_A+S_E+S_F+S_G1                       ; F
            defw S_A+S_C+S_D+S_E+S_F+S_G2               ; G
            defw S_B+S_C+S_E+S_F+S_G1+S_G2              ; H
            defw S_A+S_D+S_I+S_L                        ; I
            defw S_B+S_C+S_D+S_E                        ; J
            defw S_E+S_F+S_G1+S_K+S_N                   ; K
            defw S_D+S_E+S_F                            ; L
            defw S_B+S_C+S_E+S_F+S_H+S_K                ; M
            defw S_B+S_C+S_E+S_F+S_H+S_N                ; N
            defw S_A+S_B+S_C+S_D+S_E+S_F                ; O
            defw S_A+S_B+S_E+S_F+S_G1+S_G2              ; P
            defw S_A+S_B+S_C+S_D+S_E+S_F+S_N            ; Q
            defw S_A+S_B+S_E+S_F+S_G1+S_G2+S_N          ; R
            defw S_A+S_C+S_D+S_F+S_G1+S_G2              ; S
            defw S_A+S_I+S_L                            ; T
            defw S_B+S_C+S_D+S_E+S_F                    ; U
            defw S_E+S_F+S_K+S_M                        ; V
            defw S_B+S_C+S_E+S_F+S_M+S_N                ; W
            defw S_H+S_K+S_M+S_N                        ; X
            defw S_H+S_K+S_L                            ; Y
            defw S_A+S_D+S_K+S_M                        ; Z
            defw S_A+S_D+S_E+S_F                        ; [
            defw S_H+S_N                                ; backslash
            defw S_A+S_B+S_C+S_D                        ; ]
            defw S_M+S_N                                ; ^
            defw S_D                                    ; _

DISP_BANNER: defm " PLOVER MONITOR 1.0 "
MSG_BANNER: defm "PLOVER MONITOR 1.0",K_CR
            defm "TYPE H FOR HELP",K_CR,0
MSG_PROMPT: defm "> ",0
MSG_ERROR:  defm "ERROR",K_CR,0
MSG_OK:     defm "OK",K_CR,0
MSG_BREAK:  defm "BREAK",K_CR,0
MSG_HELP:   defm "D [ADDR [END]]   DUMP MEMORY",K_CR
            defm "M ADDR [BB ..]   CHANGE MEMORY",K_CR
            defm "F START END BB   FILL MEMORY",K_CR
            defm "G ADDR           GO (RET COMES BACK)",K_CR
            defm "C                CLEAR SCREEN",K_CR
            defm "H                THIS HELP",K_CR
            defm "CTRL , . ;       TYPE - + '",K_CR,0

ROMEND:
            if ROMEND > 2000h
            .error the monitor outgrows its 8 KiB ROM
            endif
            defs 2000h-ROMEND,0FFh
