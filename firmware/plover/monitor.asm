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

; The run control, disassembler and assembler.
LNEXT       equ 0FF18h          ; 2: where an L without address goes on
STEPN       equ 0FF1Ah          ; 2: instructions S has still to run
RUNFLAGS    equ 0FF1Ch          ; non-zero: G, which runs on after one step
ERRVEC      equ 0FF1Dh          ; 2: where ERROR goes on (the command line, or A)
TXTBUF      equ TMPBUF          ; 17: text of one instruction, or its template
ASMBYTES    equ TMPBUF+17       ; 7: the bytes A has assembled
DBMAX       equ 7               ; bytes in one DB line

; The user program's registers, kept as the stack frame that RESUME pops:
; IY IX HL' DE' BC' AF' HL DE BC AF, then SP, and the resume stub: EI (or a
; NOP when interrupts were off), JP PC. Then I.
REGS        equ 0FFA8h
R_IY        equ REGS
R_IX        equ REGS+2
R_HL2       equ REGS+4
R_DE2       equ REGS+6
R_BC2       equ REGS+8
R_AF2       equ REGS+10
R_HL        equ REGS+12
R_DE        equ REGS+14
R_BC        equ REGS+16
R_AF        equ REGS+18
R_SP        equ REGS+20
R_EI        equ REGS+22         ; FBh (EI) or 00h (NOP): the interrupt state
R_JP        equ REGS+23         ; C3h
R_PC        equ REGS+24
R_I         equ REGS+26
USERSP      equ 0FD00h          ; the user stack after power-on, growing down
USERPC      equ 4400h

; Instruction decoding (L, S, R) and matching (A): FFC3h-FFDEh.
DPC         equ 0FFC3h          ; 2: address of the instruction
DOP         equ 0FFC5h          ; 2: its next operand byte
DEND        equ 0FFC7h          ; 2: past its opcode
DOPC        equ 0FFC9h          ; its opcode (after CB, ED, DD CB d)
DIDX        equ 0FFCAh          ; its index prefix DDh or FDh, 0 for none
DGRP        equ 0FFCBh          ; its group: 0, G_CB or G_ED
DFLG        equ 0FFCCh          ; what its operands used (F_USED ...)
DLEN        equ 0FFCDh          ; its length
DMN         equ 0FFCEh          ; its mnemonic, FFh for bytes shown as DB
TXTPTR      equ 0FFCFh          ; 2: end of the text in TXTBUF
TMODE       equ 0FFD1h          ; non-zero: operands as templates for A
ASMADR      equ 0FFD2h          ; 2: where A writes
ASMOPS      equ 0FFD4h          ; 2: the operands typed, spaces taken out
ASMN        equ 0FFD6h          ; operand bytes found in the text
ASMOB       equ 0FFD7h          ; 2: those bytes
ASMMN       equ 0FFD9h          ; the mnemonic typed
ASMMASK     equ 0FFDAh          ; fixed opcode bits of the entry tried
ASMLEN      equ 0FFDBh          ; length of the line assembled

; Breakpoints, kept through a reset (F2) so that the start-up can put back
; the bytes a running program had patched: FFDFh-FFFCh.
BPTAB       equ 0FFDFh          ; 8 x 3: address (0 = free), the byte it held
BPMAX       equ 8
STEPBP      equ BPTAB+3*BPMAX   ; 3: the same for the stop after a step
ARMED       equ STEPBP+3        ; bit 0: BPTAB planted, bit 1: STEPBP planted
MARKER      equ ARMED+1         ; 2: MAGIC once the table is set up
MAGIC       equ 0B5A7h
RST30       equ 0F7h            ; the break opcode planted

RAMSTART    equ 0FF00h          ; variables cleared at reset
RAMSIZE     equ BPTAB-RAMSTART

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
            jp BRKENTRY         ; RST 30h: stop, registers saved
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
            ld hl,RAMSTART      ; clear the variables, not the breakpoints
            ld b,RAMSIZE
            call ZERO
            ; A reset while a program ran left the table and its marker:
            ; put back what was planted. At power-on set the table up.
            ld hl,(MARKER)
            ld de,MAGIC
            or a
            sbc hl,de
            jr z,cold_bp
            ld hl,BPTAB
            ld b,MARKER-BPTAB
            call ZERO
            ld (MARKER),de
cold_bp:    call UNPATCH
            ld a,0C9h           ; the interrupt hook is a RET
            ld (USRINT),a
            ld a,0FFh
            ld (LASTKEY),a
            ld hl,4400h
            ld (DUMPNEXT),hl
            ld hl,USERPC        ; the user's registers: 0, but for these
            ld (R_PC),hl
            ld (LNEXT),hl
            ld hl,USERSP
            ld (R_SP),hl
            ld hl,0C3FBh        ; EI, JP
            ld (R_EI),hl
            call CLS
            ld hl,MSG_BANNER
            call PUTSTR
            ld hl,DISP_BANNER
            call SHOWTEXT
            ; fall through

MONITOR:    ld sp,STACKTOP
            im 1
            ei
            call UNPATCH        ; a program that ended here leaves no patch
            ld hl,MONITOR
            ld (ERRVEC),hl
            xor a
            ld (CAPTURE),a
            call NEWROW         ; the prompt starts a fresh row
            ld hl,MSG_PROMPT
            call PUTSTR
            call READLINE
            call EXEC
            jr MONITOR

; Prints "ERROR" and abandons the command: back to the command line, or to
; the line A offers again.
ERROR:      ld hl,MSG_ERROR
            call PUTSTR
            ld hl,(ERRVEC)
            jp (hl)

; B bytes from HL become 0.
ZERO:       ld (hl),0
            inc hl
            djnz ZERO
            ret

; Ends the row unless the cursor is at its start.
NEWROW:     ld a,(CURCOL)
            or a
            ret z
            ld a,K_CR
            jp PUTCHAR

; Runs the command in LINEBUF.
EXEC:       call UPLINE
            ld hl,LINEBUF
            call SKIPSP
            or a
            ret z
            inc hl
            push hl
            ld c,a
            call CAPSTART       ; the first row it prints goes to the display
            ld hl,CMDTAB
ex_find:    ld a,(hl)
            inc hl
            or a
            jp z,ERROR
            ld e,(hl)
            inc hl
            ld d,(hl)
            inc hl
            cp c
            jr nz,ex_find
            pop hl              ; HL: the rest of the line
            push de
            ret

CMDTAB:     defb 'D'
            defw CMD_DUMP
            defb 'M'
            defw CMD_MODIFY
            defb 'F'
            defw CMD_FILL
            defb 'G'
            defw CMD_GO
            defb 'S'
            defw CMD_STEP
            defb 'B'
            defw CMD_BREAK
            defb 'R'
            defw CMD_REG
            defb 'L'
            defw CMD_LIST
            defb 'A'
            defw CMD_ASM
            defb 'H'
            defw CMD_HELP
            defb '?'
            defw CMD_HELP
            defb 'C'
            defw CMD_CLEAR
            defb 0

; Blanks the display text and sends what is printed next to it, up to the
; end of the row.
CAPSTART:   ld hl,DISPBUF
            ld b,DIGITS
cs_blank:   ld (hl),' '
            inc hl
            djnz cs_blank
            xor a
            ld (CAPIDX),a
            inc a
            ld (CAPTURE),a
            ret

; LINEBUF in upper case.
UPLINE:     ld hl,LINEBUF
ul_char:    ld a,(hl)
            or a
            ret z
            call UPCASE
            ld (hl),a
            inc hl
            jr ul_char

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
; and A stop after FDFFh and after FFFFh.
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

; ===========================================================================
; Running the user program: G, S, B, R
;
; The program runs with its own registers, kept in REGS while the monitor has
; control. A breakpoint is RST 30h planted over the first byte of an
; instruction; the monitor puts every planted byte back as soon as it has
; control again, so the program's code is intact whenever it is looked at.
; A step carries out a jump, call or return on the saved registers itself,
; and runs any other instruction in place with a breakpoint planted after it.
; ===========================================================================

; G addr: run the program from addr with the saved registers; its RET comes
; back to the command line. G alone: go on from the saved PC. Either way the
; first instruction is stepped, then the breakpoints are planted.
CMD_GO:     call GETHEX
            jr c,cg_cont
            call CHKEND
            ld (R_PC),de
            ld hl,(R_SP)        ; the return address on the user stack
            ld de,GORET
            dec hl
            ld (hl),d
            dec hl
            ld (hl),e
            ld (R_SP),hl
            jr cg_run
cg_cont:    call CHKEND
cg_run:     ld a,1
            jr cs_run

; A program started with G addr returns here.
GORET:      ld (R_SP),sp
            jp MONITOR

; S [n]: run n instructions (1 when not given), then show the registers.
CMD_STEP:   call GETHEX
            jr nc,cs_count
            ld de,1
cs_count:   call CHKEND
            ld a,d
            or e
            jp z,ERROR
            ld (STEPN),de
            xor a
cs_run:     ld (RUNFLAGS),a
            xor a
            ld (CAPTURE),a
STEPLOOP:   call STEP1          ; returns when it carried the step out itself
STEPPED:    ld sp,STACKTOP      ; one instruction done
            ld a,(RUNFLAGS)
            or a
            jr nz,RUNON         ; G: on with the breakpoints planted
            ld hl,(STEPN)
            dec hl
            ld (STEPN),hl
            ld a,h
            or l
            jr z,STOPPED
            call BREAKCHK       ; F4 stops a long run of steps
            jr nc,STEPLOOP
            ; fall through

; The program has stopped: show where, back to the command line.
STOPPED:    ld sp,STACKTOP
            ld hl,(R_PC)
            ld (LNEXT),hl
            call NEWROW
            call CAPSTART
            call PRINTREGS
            jp MONITOR

; Plants the breakpoints and runs the program.
RUNON:      ld hl,BPTAB
            ld b,BPMAX
            call PLANT
            ld a,1
ro_armed:   ld (ARMED),a
            ; fall through

; Loads the saved registers and jumps to the saved PC.
RESUME:     di
            ld a,(R_I)
            ld i,a
            ld sp,REGS
            pop iy
            pop ix
            pop hl
            pop de
            pop bc
            pop af
            ex af,af'
            exx
            pop hl
            pop de
            pop bc
            pop af
            ld sp,(R_SP)
            jp R_EI             ; EI or NOP, then JP to the saved PC

; RST 30h: a breakpoint, the stop after a step, or the program's own RST 30h.
; Saves every register; the return address of the RST comes off the user
; stack and is the PC, one less at a planted breakpoint.
BRKENTRY:   ld (R_SP),sp
            ld sp,STACKTOP
            push af
            ld a,i              ; P/V: the interrupt state
            di
            ld (R_I),a
            ld a,0              ; NOP
            jp po,be_di
            ld a,0FBh           ; EI
be_di:      ld (R_EI),a
            pop af
            ld sp,R_SP          ; push the rest into the frame below SP
            push af
            push bc
            push de
            push hl
            ex af,af'
            exx
            push af
            push bc
            push de
            push hl
            push ix
            push iy
            ld sp,STACKTOP
            ld hl,(R_SP)
            ld e,(hl)
            inc hl
            ld d,(hl)
            inc hl
            ld (R_SP),hl
            ld (R_PC),de
            dec de              ; where a planted RST 30h stands
            call UNPATCH        ; A: what was planted
            ld c,a
            bit 1,c
            jr z,be_user
            ld hl,(STEPBP)
            or a
            sbc hl,de
            jp nz,STOPPED       ; not the step's: the program's own RST 30h
            ld (R_PC),de
            jp STEPPED
be_user:    rr c
            jp nc,STOPPED
            call BPFIND
            jp nz,STOPPED
            ld (R_PC),de        ; a breakpoint
            jp STOPPED

; One instruction from the saved PC. Jumps, calls and returns are carried out
; on the saved registers and return. Any other instruction runs in place with
; the step's breakpoint after it and comes back through BRKENTRY. A call or
; RST into the ROM runs the routine and stops on its return; a jump into the
; ROM runs on as G does.
STEP1:      ld hl,(R_PC)
            call DECODE         ; IX: its entry
            ld hl,(R_PC)
            ld a,(DLEN)
            ld e,a
            ld d,0
            add hl,de
            ex de,hl            ; DE: the next instruction
            ld a,(DMN)
            ld b,a
            cp M_RETN+1
            jr c,st_flow
st_inplace: ld a,d              ; the stop must be in RAM below the monitor's
            cp 40h
            jp c,RUNON
            cp PROTLOW/256
            jp nc,RUNON
            ld hl,STEPBP
            ld (hl),e
            inc hl
            ld (hl),d
            dec hl
            ld b,1
            call PLANT
            ld a,2
            jp ro_armed

; A jump, call or return of the program (IX its entry, B its mnemonic, DE
; the next instruction): taken or not, as the saved flags (and B for DJNZ)
; say; the saved registers change as the instruction would change them.
st_flow:    push de
            ld a,(ix+2)         ; a condition comes first
            and 3Fh
            ld c,7
            cp K_CC
            jr z,st_cond
            ld c,3
            cp K_CCJ
            jr nz,st_djnz
st_cond:    ld a,(DOPC)
            rrca
            rrca
            rrca
            and c
            call CONDHOLDS
            jp nz,st_skip
st_djnz:    ld a,b
            cp M_DJNZ
            jr nz,st_taken
            ld a,(R_BC+1)
            dec a
            jp z,st_skip
st_taken:   pop de
            push de
            ld a,b
            cp M_RET
            jr nc,st_ret
            cp M_RST
            jr z,st_rst
            cp M_JR
            jr nc,st_rel
            ld a,(ix+2)
            and 3Fh
            cp K_JPHL
            jr z,st_jphl
            ex de,hl            ; JP nn, CALL nn: the word before the next
            dec hl
            dec hl
            jr st_word
st_ret:     ld hl,(R_SP)
st_word:    ld a,(hl)
            inc hl
            ld h,(hl)
            ld l,a
            jr st_dest
st_rst:     ld a,(DOPC)
            and 38h
            ld l,a
            ld h,0
            jr st_dest
st_rel:     ex de,hl            ; JR, DJNZ: the displacement before the next
            dec hl
            ld a,(hl)
            inc hl
            ld e,a
            rla
            sbc a,a
            ld d,a
            add hl,de
            jr st_dest
st_jphl:    ld hl,(R_HL)
            ld a,(DIDX)
            or a
            jr z,st_dest
            ld hl,(R_IX)
            cp 0DDh
            jr z,st_dest
            ld hl,(R_IY)
; HL: where the program goes, (SP): the next instruction.
st_dest:    pop de
            ld a,h
            cp 40h
            jr nc,st_emul
            ld a,b              ; into the ROM
            cp M_CALL
            jp z,st_inplace
            cp M_RST
            jp z,st_inplace
            jp RUNON
st_emul:    ld a,b
            cp M_CALL
            jr z,st_push
            cp M_RST            ; (never: RSTs go to the ROM)
            jr z,st_push
            cp M_RET
            jr c,st_go
            push hl
            ld hl,(R_SP)        ; RET: the address comes off the stack
            inc hl
            inc hl
            jr st_sp
st_push:    push hl
            ld hl,(R_SP)        ; CALL: the next address goes on it
            dec hl
            ld (hl),d
            dec hl
            ld (hl),e
st_sp:      ld (R_SP),hl
            pop hl
            jr st_go
st_skip:    pop hl              ; not taken: on to the next
st_go:      ld a,b
            cp M_DJNZ
            jr nz,st_pc
            ld a,(R_BC+1)
            dec a
            ld (R_BC+1),a
st_pc:      ld (R_PC),hl
            ret

; Z when condition A (0-7: NZ Z NC C PO PE P M) holds for the saved flags.
CONDHOLDS:  ld c,a
            srl a
            ld e,a
            ld d,0
            ld hl,CCFLAG
            add hl,de
            ld a,(R_AF)
            and (hl)
            jr z,ch_clear
            ld a,1
ch_clear:   xor c
            and 1
            ret
CCFLAG:     defb 40h,01h,04h,80h ; Z, C, P/V, S

; Plants RST 30h at the addresses of B slots from HL, each slot keeping the
; byte it replaces. Free slots (address 0) are passed over.
PLANT:      ld e,(hl)
            inc hl
            ld d,(hl)
            inc hl
            ld a,d
            or e
            jr z,pl_next
            ld a,(de)
            ld (hl),a
            ld a,RST30
            ld (de),a
pl_next:    inc hl
            djnz PLANT
            ret

; Puts back the bytes that ARMED says are planted; returns in A what was.
; Keeps DE.
UNPATCH:    ld a,(ARMED)
            ld c,a
            ld hl,BPTAB
            ld b,BPMAX
            rra
            call c,up_slots
            ld hl,STEPBP
            ld b,1
            bit 1,c
            call nz,up_slots
            xor a
            ld (ARMED),a
            ld a,c
            ret
up_slots:   push de
up_slot:    ld e,(hl)
            inc hl
            ld d,(hl)
            inc hl
            ld a,(de)           ; still the break opcode? (the program may
            cp RST30            ; have written there since)
            jr nz,up_next
            ld a,(hl)
            ld (de),a
up_next:    inc hl
            djnz up_slot
            pop de
            ret

; HL: the breakpoint slot of address DE (DE = 0: a free slot); Z when found.
BPFIND:     ld hl,BPTAB
            ld b,BPMAX
bf_slot:    ld a,(hl)
            inc hl
            cp e
            jr nz,bf_next
            ld a,(hl)
            cp d
            dec hl
            ret z
            inc hl
bf_next:    inc hl
            inc hl
            djnz bf_slot
            inc b               ; NZ
            ret

; B addr: set a breakpoint (RAM 4000h-FDFFh). BC addr: clear one. BC: clear
; all. B: list them. Each lists what is set afterwards.
CMD_BREAK:  ld a,(hl)
            cp 'C'
            jr z,cb_clear
            call GETHEX
            jr c,cb_list
            call CHKEND
            ld a,d
            cp 40h
            jp c,ERROR
            cp PROTLOW/256
            jp nc,ERROR
            call BPFIND
            jr z,cb_show        ; set already
            push de
            ld de,0
            call BPFIND
            pop de
            jp nz,ERROR         ; no free slot
            ld (hl),e
            inc hl
            ld (hl),d
            jr cb_show
cb_clear:   inc hl
            call GETHEX
            jr c,cb_all
            call CHKEND
            call BPFIND
            jp nz,ERROR
            xor a
            ld (hl),a
            inc hl
            ld (hl),a
            jr cb_show
cb_all:     call CHKEND
            ld hl,BPTAB
            ld b,3*BPMAX
            call ZERO
            jr cb_show
cb_list:    call CHKEND
cb_show:    ld hl,BPTAB
            ld bc,BPMAX*256     ; B slots, C addresses printed
bl_slot:    ld e,(hl)
            inc hl
            ld d,(hl)
            inc hl
            inc hl
            ld a,d
            or e
            jr z,bl_next
            ld a,c
            or a
            ld a,' '
            call nz,PUTCHAR
            ex de,hl
            call PUTHEX4
            ex de,hl
            inc c
bl_next:    djnz bl_slot
            ld a,c
            or a
            ld hl,MSG_NONE
            call z,PUTSTR
            ld a,K_CR
            jp PUTCHAR

; R: show the registers. R reg value: set one (A F B C D E H L I, AF BC DE
; HL, AF' BC' DE' HL', IX IY SP PC), then show them.
CMD_REG:    call SKIPSP
            or a
            jr z,PRINTREGS
            ld de,REGNAMES
            call FINDNAME
            jp c,ERROR
            push af
            call GETHEX
            jp c,ERROR
            call CHKEND
            pop af
            ld c,a
            ld b,0
            ld hl,REGDESC
            add hl,bc
            ld a,(hl)
            ld c,a
            res 7,c
            ld hl,REGS
            add hl,bc
            rla                 ; bit 7: a pair
            jr c,cr_pair
            ld a,d
            or a
            jp nz,ERROR
            jr cr_low
cr_pair:    inc hl
            ld (hl),d
            dec hl
cr_low:     ld (hl),e
            ; fall through

; Prints the saved registers in four rows: the main set with the flags, the
; primed set, the rest, and the instruction at PC.
PRINTREGS:  ld de,REGFMT
pr_next:    ld a,(de)
            inc de
            or a
            jr z,pr_code
            cp 80h
            jr nc,pr_reg
            cp 1
            jr z,pr_flags
            cp 2
            jr z,pr_ei
            call PUTCHAR
            jr pr_next
pr_reg:     ld hl,REGS
            ld c,a
            and 3Fh
            add a,l
            ld l,a              ; (REGS in one page)
            ld a,(hl)
            bit 6,c
            jr z,pr_byte
            inc hl
            ld h,(hl)
            ld l,a
            call PUTHEX4
            jr pr_next
pr_byte:    call PUTHEX2
            jr pr_next
pr_flags:   ld a,(R_AF)
            ld c,a
            ld hl,FLAGNAMES
            ld b,8
pf_bit:     ld a,(hl)
            inc hl
            rl c
            jr c,pf_set
            ld a,'-'
pf_set:     call PUTCHAR
            djnz pf_bit
            jr pr_next
pr_ei:      ld a,(R_EI)
            or a
            ld a,'D'
            jr z,pe_di
            ld a,'E'
pe_di:      call PUTCHAR
            ld a,'I'
            call PUTCHAR
            jr pr_next
pr_code:    ld hl,(R_PC)
            jp LISTLINE

; Rows of the register display: 80h + offset in REGS prints a byte, C0h +
; offset a word; 1 the flags, 2 EI or DI.
REGFMT:     defm "A="
            defb 80h+R_AF+1-REGS
            defm " F="
            defb 1
            defm " BC="
            defb 0C0h+R_BC-REGS
            defm " DE="
            defb 0C0h+R_DE-REGS
            defm " HL="
            defb 0C0h+R_HL-REGS,K_CR
            defm "AF'="
            defb 0C0h+R_AF2-REGS
            defm " BC'="
            defb 0C0h+R_BC2-REGS
            defm " DE'="
            defb 0C0h+R_DE2-REGS
            defm " HL'="
            defb 0C0h+R_HL2-REGS,K_CR
            defm "IX="
            defb 0C0h+R_IX-REGS
            defm " IY="
            defb 0C0h+R_IY-REGS
            defm " SP="
            defb 0C0h+R_SP-REGS
            defm " PC="
            defb 0C0h+R_PC-REGS
            defm " I="
            defb 80h+R_I-REGS
            defm " "
            defb 2,K_CR,0
FLAGNAMES:  defm "SZ5H3PNC"

; Register names for R, and where each is kept: offset in REGS, bit 7 set
; for a pair.
REGNAMES:   defb 'A'+80h, 'F'+80h, 'B'+80h, 'C'+80h, 'D'+80h, 'E'+80h
            defb 'H'+80h, 'L'+80h, 'I'+80h
            defb 'A','F'+80h, 'B','C'+80h, 'D','E'+80h, 'H','L'+80h
            defb 'A','F',0A7h, 'B','C',0A7h, 'D','E',0A7h
            defb 'H','L',0A7h, 'I','X'+80h, 'I','Y'+80h, 'S','P'+80h
            defb 'P','C'+80h, 0
REGDESC:    defb R_AF+1-REGS, R_AF-REGS, R_BC+1-REGS, R_BC-REGS
            defb R_DE+1-REGS, R_DE-REGS, R_HL+1-REGS, R_HL-REGS, R_I-REGS
            defb 80h+R_AF-REGS, 80h+R_BC-REGS, 80h+R_DE-REGS, 80h+R_HL-REGS
            defb 80h+R_AF2-REGS, 80h+R_BC2-REGS, 80h+R_DE2-REGS
            defb 80h+R_HL2-REGS, 80h+R_IX-REGS, 80h+R_IY-REGS
            defb 80h+R_SP-REGS, 80h+R_PC-REGS

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
; L and A: the disassembler and the line assembler
;
; Both work from one table, OPTAB: for each instruction form its opcode with
; the operand fields zero, its mnemonic and its two operands. An operand is a
; kind that takes bits of the opcode (a register, a condition, ...), a number
; that follows the opcode, or a fixed name. L finds the first form whose
; fixed bits match and prints it. A takes each form of the mnemonic typed,
; prints the operands of every opcode it can stand for as a template (numbers
; left open) and compares that with the line, so that A reads exactly what L
; prints. An index prefix (DD, FD) turns HL into IX or IY and (HL) into
; (IX+d).
; ===========================================================================

; L [addr [n]]: disassemble n instructions (a screen when not given) from
; addr, or from where the last L ended.
CMD_LIST:   call GETHEX
            jr c,cl_rows
            ld (LNEXT),de
            call GETHEX
            jr nc,cl_count
cl_rows:    ld de,LISTROWS
cl_count:   call CHKEND
            ld a,d
            or e
            jp z,ERROR
            ld b,d
            ld c,e
            ld hl,(LNEXT)
cl_line:    push bc
            call LISTLINE
            pop bc
            ld (LNEXT),hl
            dec bc
            ld a,b
            or c
            ret z
            call BREAKCHK
            jr nc,cl_line
            ld hl,MSG_BREAK
            jp PUTSTR

; Prints the instruction at HL as one row: address, its bytes, and from
; column 17 the instruction. HL ends past it.
LISTLINE:   push hl
            call DECODE
            pop hl
            call PUTHEX4
            ld a,(DLEN)
            ld b,a
            ld c,13             ; columns up to the text: 4 x 3 + 1
ll_byte:    ld a,' '
            call PUTCHAR
            ld a,(hl)
            call PUTHEX2
            inc hl
            dec c
            dec c
            dec c
            djnz ll_byte
ll_pad:     ld a,' '
            call PUTCHAR
            dec c
            jr nz,ll_pad
            push hl
            ld hl,TXTBUF
            call PUTSTR
            pop hl
            ld a,K_CR
            jp PUTCHAR

; Decodes the instruction at HL: its text in TXTBUF (zero-terminated), its
; length in DLEN, its mnemonic in A and DMN and its entry in IX. Bytes that
; begin no documented instruction are shown as DB: a prefix before another
; prefix alone, else the prefixes with the opcode (and d for DD CB d).
DECODE:     ld (DPC),hl
            xor a
            ld (DIDX),a
            ld (TMODE),a
            ld (DFLG),a
            ld c,a              ; the group
            ld a,(hl)
            cp 0DDh
            jr z,dc_index
            cp 0FDh
            jr nz,dc_group
dc_index:   ld (DIDX),a
            inc hl
            ld a,(hl)
            cp 0EDh
            jr z,dc_lone
            or 20h
            cp 0FDh
            jr z,dc_lone
            ld a,(hl)
dc_group:   cp 0CBh
            jr z,dc_cb
            cp 0EDh
            jr nz,dc_opcode
            ld c,G_ED
            jr dc_second
dc_cb:      ld c,G_CB
            ld a,(DIDX)
            or a
            jr z,dc_second
            inc hl              ; DD CB d op: the displacement comes first
            ld (DOP),hl
            inc hl
            ld a,(hl)
            inc hl
            jr dc_find
dc_lone:    ld hl,(DPC)         ; the first prefix alone
            inc hl
            ld (DEND),hl
            jr dc_db
dc_second:  inc hl
dc_opcode:  ld a,(hl)
            inc hl
            ld (DOP),hl
dc_find:    ld (DEND),hl
            ld (DOPC),a
            ld a,c
            ld (DGRP),a
            call FINDOP
            jr c,dc_db
            ld hl,TXTBUF
            ld (TXTPTR),hl
            ld a,(ix+1)
            ld hl,MNEMS
            call LISTNAME
            ld a,(ix+2)
            and 3Fh
            jr z,dc_valid
            ld a,' '
            call PUTT
            call RENDOPS
dc_valid:   call VALID
            jr nz,dc_db
            ld a,(ix+1)
            ; the length: to the end of the operands, or past the opcode
            ld hl,(DOP)
            ld de,(DEND)
            or a
            sbc hl,de
            jr nc,dc_len
            ex de,hl
            jr dc_len2
dc_len:     ld hl,(DOP)
dc_len2:    ld de,(DPC)
            or a
            sbc hl,de
            ld e,a              ; (the mnemonic)
            jr dc_end
dc_db:      ld hl,TXTBUF
            ld (TXTPTR),hl
            ld a,M_DB
            ld hl,MNEMS
            call LISTNAME
            ld a,' '
            call PUTT
            ld hl,(DEND)
            ld de,(DPC)
            or a
            sbc hl,de
            ld b,l
            ex de,hl
db_byte:    ld a,(hl)
            inc hl
            call TXTBYTE
            dec b
            jr z,db_done
            ld a,','
            call PUTT
            jr db_byte
db_done:    ld hl,(DEND)
            ld de,(DPC)
            or a
            sbc hl,de
            ld e,0FFh
dc_end:     ld a,l
            ld (DLEN),a
            xor a
            call PUTT
            ld a,e
            ld (DMN),a
            ret

; Z when the operands just rendered make a documented instruction: IN and
; OUT (C) not with (HL); an index prefix only where HL, (HL) or JP (HL)
; became IX, (IX+d) or JP (IX), and H or L beside it only with (IX+d).
VALID:      ld a,(DFLG)
            bit 3,a             ; F_BAD
            ret nz
            ld b,a
            ld a,(DIDX)
            or a
            ret z
            ld a,b
            cp F_USED
            ret z
            cp F_USED+F_MEM
            ret z
            cp F_USED+F_MEM+F_HL
            ret

; IX: the first entry of OPTAB for opcode DOPC in group DGRP; CY when there
; is none.
FINDOP:     ld ix,OPTAB
fo_entry:   ld a,(ix+1)
            inc a
            scf
            ret z               ; the end of the table
            ld a,(ix+2)
            and 0C0h
            ld b,a
            ld a,(DGRP)
            cp b
            jr nz,fo_next
            call OPMASK
            ld b,a
            ld a,(DOPC)
            and b
            cp (ix+0)
            ret z
fo_next:    ld de,4
            add ix,de
            jr fo_entry

; A: the opcode bits of entry IX that its operands do not choose.
OPMASK:     ld a,(ix+2)
            call FIELD
            ld b,a
            ld a,(ix+3)
            call FIELD
            or b
            cpl
            ret
FIELD:      and 3Fh
            cp K_RST+1
            jr c,fd_look
            xor a
            ret
fd_look:    push hl
            ld hl,FMASK
            add a,l
            ld l,a
            jr nc,fd_page
            inc h
fd_page:    ld a,(hl)
            pop hl
            ret

; Appends the operands of entry IX for opcode DOPC to TXTBUF, separated by
; a comma.
RENDOPS:    ld a,(ix+2)
            and 3Fh
            ret z
            call RENDOP
            ld a,(ix+3)
            or a
            ret z
            push af
            ld a,','
            call PUTT
            pop af
            ; fall through

; Appends operand kind A. Numbers are read from DOP on, or in template mode
; (TMODE) appended as markers: T_BYTE, T_WORD, T_REL, T_DISP, or T_VALUE
; followed by the value that must be typed.
RENDOP:     cp 32
            jr c,ro_kind
            sub 32              ; a fixed name
            jr PUTNAME
ro_kind:    add a,a
            ld e,a
            ld d,0
            ld hl,ROJUMP-2
            add hl,de
            ld e,(hl)
            inc hl
            ld d,(hl)
            ex de,hl
            ld a,(DOPC)
            ld c,a
            rrca
            rrca
            rrca
            and 7
            ld b,a              ; B: y (bits 5-3), C: the opcode
            jp (hl)

ROJUMP:     defw ro_r3, ro_r0, ro_rio, ro_rp, ro_rp2, ro_cc, ro_ccj, ro_bit
            defw ro_rst, ro_n, ro_nn, ro_mnn, ro_rel, ro_port, ro_hli, ro_jphl

ro_rio:     ld a,b              ; IN r,(C), OUT (C),r: no (HL)
            cp 6
            jp nz,ro_reg
            ld hl,DFLG
            set 3,(hl)
ro_r3:      ld a,b
            jp ro_reg
ro_r0:      ld a,c
            and 7
            jp ro_reg
ro_rp:      ld hl,RPNAME
            jr ro_pair
ro_rp2:     ld hl,RP2NAME
ro_pair:    ld a,b
            rra
            and 3
            cp 2
            jp z,ro_hli
            jr ro_table
ro_ccj:     res 2,b
ro_cc:      ld a,b
            ld hl,CCNAME
ro_table:   add a,l
            ld l,a
            jr nc,ro_tpage
            inc h
ro_tpage:   ld a,(hl)
            ; fall through

; Appends name A of NAMES.
PUTNAME:    ld hl,NAMES
            ; fall through

; Appends name A of the list at HL (each name ends with bit 7 set).
LISTNAME:   or a
            jr z,ln_char
ln_skip:    bit 7,(hl)
            inc hl
            jr z,ln_skip
            dec a
            jr LISTNAME
ln_char:    ld a,(hl)
            inc hl
            push af
            and 7Fh
            call PUTT
            pop af
            rla
            jr nc,ln_char
            ret

ro_bit:     ld a,b
            add a,'0'
            jp PUTT
ro_rst:     ld a,(TMODE)
            or a
            ld a,c
            jr z,ro_rstn
            ld a,T_VALUE
            call PUTT
            ld a,c
            and 38h
            jp PUTT
ro_rstn:    and 38h
            jp TXTBYTE
ro_port:    call ro_open
            call ro_n
            jr ro_close
ro_mnn:     call ro_open
            call ro_nn
            jr ro_close
ro_jphl:    call ro_open
            call ro_hli
ro_close:   ld a,')'
            jp PUTT
ro_open:    ld a,'('
            jp PUTT
ro_n:       ld a,T_BYTE
            call ro_mark
            call NEXTB
            ld a,e
            jp TXTBYTE
ro_nn:      ld a,T_WORD
            call ro_mark
            call NEXTB
            ld a,e
            push af
            call NEXTB
            ld a,e
            call TXTHEX2
            pop af
            jp TXTHEX2
ro_rel:     ld a,T_REL
            call ro_mark
            call NEXTB          ; the target: past the instruction plus e
            ld a,e
            rla
            sbc a,a
            ld d,a
            add hl,de
            ld a,h
            call TXTHEX2
            ld a,l
            jp TXTHEX2
; In template mode appends marker A and returns from the operand.
ro_mark:    ld e,a
            ld a,(TMODE)
            or a
            ret z
            pop hl
            ld a,e
            jr PUTT

; r: B C D E H L (HL) A; with an index prefix (HL) is (IX+d).
ro_reg:     cp 6
            jr z,ro_mem
            cp 4
            jp c,PUTNAME
            cp 6
            jp nc,PUTNAME
            ld hl,DFLG          ; H or L
            set 2,(hl)
            jp PUTNAME
ro_mem:     ld a,(DIDX)
            or a
            ld a,6
            jp z,PUTNAME
            call ro_open
            call ro_hli
            ld hl,DFLG
            set 1,(hl)
            ld a,(TMODE)
            or a
            ld a,T_DISP
            jr z,ro_disp
            call PUTT
            jp ro_close
ro_disp:    call NEXTB
            ld a,'+'
            bit 7,e
            jr z,ro_plus
            xor a
            sub e
            ld e,a
            ld a,'-'
ro_plus:    call PUTT
            ld a,e
            call TXTHEX2
            jp ro_close

; HL, or IX / IY under an index prefix.
ro_hli:     ld a,(DIDX)
            or a
            ld a,N_HL
            jp z,PUTNAME
            ld hl,DFLG
            set 0,(hl)
            ld a,'I'
            call PUTT
            ld a,(DIDX)
            and 20h             ; DDh: X, FDh: Y
            rlca
            rlca
            rlca
            add a,'X'
            ; fall through

; Appends A to the text in TXTBUF. Keeps all but AF.
PUTT:       push hl
            ld hl,(TXTPTR)
            ld (hl),a
            inc hl
            ld (TXTPTR),hl
            pop hl
            ret

; A byte as two hex digits; a byte that would read as a register (AF, BC,
; DE) gets a leading 0.
TXTBYTE:    cp 0AFh
            jr z,tb_zero
            cp 0BCh
            jr z,tb_zero
            cp 0DEh
            jr nz,TXTHEX2
tb_zero:    push af
            ld a,'0'
            call PUTT
            pop af
TXTHEX2:    push af
            rrca
            rrca
            rrca
            rrca
            call TXTNIB
            pop af
TXTNIB:     and 0Fh
            cp 10
            jr c,tn_digit
            add a,'A'-'0'-10
tn_digit:   add a,'0'
            jr PUTT

; E: the next operand byte; HL and DOP past it.
NEXTB:      ld hl,(DOP)
            ld e,(hl)
            inc hl
            ld (DOP),hl
            ret

; ---------------------------------------------------------------------------
; A addr: assemble line by line from addr.
; ---------------------------------------------------------------------------
CMD_ASM:    call GETHEX
            jp c,ERROR
            call CHKEND
            ld (ASMADR),de
            ld bc,1
            call CHKRANGE
ca_line:    ld sp,STACKTOP
            ld hl,ca_line       ; a line in error is offered again
            ld (ERRVEC),hl
            xor a
            ld (CAPTURE),a
            call NEWROW
            ld hl,(ASMADR)
            call PUTHEX4
            ld a,' '
            call PUTCHAR
            call SHOWLINE
            call READLINE
            call UPLINE
            ld hl,LINEBUF
            call SKIPSP
            or a
            jp z,MONITOR        ; an empty line ends
            cp '.'
            jr nz,ca_asm
            inc hl
            call SKIPSP
            or a
            jp z,MONITOR        ; and so does "."
ca_asm:     call ASSEMBLE
            ld a,b
            ld (ASMLEN),a
            ld c,b
            ld b,0
            ld de,(ASMADR)
            call CHKRANGE
            ld hl,ASMBYTES
            ldir
            call ROWUP          ; the line typed becomes a row as L prints it
            ld hl,(ASMADR)
            ld a,(ASMMN)
            cp M_DB
            jr z,ca_db
            call LISTLINE
            jr ca_next
ca_db:      call PUTHEX4
            ld a,(ASMLEN)
            ld b,a
ca_byte:    ld a,' '
            call PUTCHAR
            ld a,(hl)
            call PUTHEX2
            inc hl
            djnz ca_byte
            ld a,K_CR
            call PUTCHAR
ca_next:    ld hl,(ASMADR)
            ld a,(ASMLEN)
            ld e,a
            ld d,0
            add hl,de
            ld (ASMADR),hl
            call ATEND
            jp nz,ca_line
            jp MONITOR

; Moves the cursor to the start of the row above, the row just typed, and
; blanks that row.
ROWUP:      xor a
            ld (CURON),a
            ld hl,(CURADR)
            ld (hl),' '
            ld hl,CURROW
            dec (hl)
            call SETCUR
            ld hl,(CURADR)
            ld b,COLS
ru_blank:   ld (hl),' '
            inc hl
            djnz ru_blank
            ret

; Assembles the line in LINEBUF for ASMADR into ASMBYTES; B: its length.
ASSEMBLE:   ld hl,LINEBUF
            call SKIPSP
            ld de,MNEMS
            call FINDNAME
            jp c,ERROR
            ld (ASMMN),a
            ld (ASMOPS),hl      ; the operands, the spaces taken out
            ld d,h
            ld e,l
as_squeeze: ld a,(hl)
            inc hl
            cp ' '
            jr z,as_squeeze
            ld (de),a
            inc de
            or a
            jr nz,as_squeeze
            ld a,(ASMMN)
            cp M_DB
            jp z,as_db
            ; fall through

; Tries every opcode of every entry of the mnemonic ASMMN, unprefixed and
; then with DD and FD, until one matches the operands at ASMOPS.
ASMSEARCH:  ld a,1
            ld (TMODE),a
            ld ix,OPTAB
as_entry:   ld a,(ix+1)
            cp 0FFh
            jp z,ERROR          ; no form of the mnemonic takes these operands
            ld hl,ASMMN
            cp (hl)
            jr nz,as_nexte
            xor a
as_prefix:  ld (DIDX),a
            ld a,(ix+2)
            and 0C0h
            ld (DGRP),a
            call OPMASK
            ld (ASMMASK),a
            ld c,0
as_op:      ld a,(ASMMASK)
            and c
            cp (ix+0)
            jr nz,as_nextop
            ld a,c
            ld (DOPC),a
            push bc
            call TRYOP
            pop bc
            jr z,as_build
as_nextop:  inc c
            jr nz,as_op
            ld a,(DGRP)         ; the same with DD, then FD
            cp G_ED
            jr z,as_nexte
            ld a,(DIDX)
            cp 0FDh
            jr z,as_nexte
            or a
            ld a,0DDh
            jr z,as_prefix
            ld a,0FDh
            jr as_prefix
as_nexte:   ld de,4
            add ix,de
            jr as_entry

; The bytes of the match: prefix, CB or ED, opcode, the operand bytes found
; (DD CB d op for the indexed CB forms); B: how many.
as_build:   ld hl,ASMBYTES
            ld a,(DIDX)
            or a
            jr z,ab_group
            ld (hl),a
            inc hl
ab_group:   ld a,(DGRP)
            or a
            jr z,ab_opcode
            ld (hl),0EDh
            cp G_ED
            jr z,ab_second
            ld (hl),0CBh
            ld a,(DIDX)
            or a
            jr z,ab_second
            inc hl              ; DD CB d op
            ld a,(ASMOB)
            ld (hl),a
            inc hl
            ld a,(DOPC)
            ld (hl),a
            inc hl
            jr ab_done
ab_second:  inc hl
ab_opcode:  ld a,(DOPC)
            ld (hl),a
            inc hl
            ld de,ASMOB
            ld a,(ASMN)
            or a
            jr z,ab_done
            ld b,a
ab_ob:      ld a,(de)
            ld (hl),a
            inc de
            inc hl
            djnz ab_ob
ab_done:    ld a,l
            sub low ASMBYTES
            ld b,a
            xor a
            ld (TMODE),a
            ret

; DB bb,bb,...: the bytes as they are; B: how many.
as_db:      ld hl,(ASMOPS)
            ld de,ASMBYTES
db_num:     ld a,e
            cp low (ASMBYTES+DBMAX)
            jp z,ERROR
            call PARSENUM
            jp nz,ERROR
            ld a,b
            or a
            jp nz,ERROR
            ld a,c
            ld (de),a
            inc de
            ld a,(hl)
            inc hl
            cp ','
            jr z,db_num
            or a
            jp nz,ERROR
            ld a,e
            sub low ASMBYTES
            ld b,a
            ret

; Z when opcode DOPC of entry IX, with the prefix in DIDX, is what the line
; holds: its operands, rendered as a template, match the text, it is a
; documented form, and it is the form L shows for its bytes.
TRYOP:      ld hl,TXTBUF
            ld (TXTPTR),hl
            xor a
            ld (DFLG),a
            call RENDOPS
            xor a
            call PUTT
            call TCOMPARE
            ret nz
            call VALID
            ret nz
            push ix
            call FINDOP
            pop de
            push ix
            pop hl
            push de
            pop ix
            or a
            sbc hl,de
            ret

; Z when the operand text at ASMOPS matches the template in TXTBUF; the
; bytes of its numbers go to ASMOB.
TCOMPARE:   xor a
            ld (ASMN),a
            ld de,TXTBUF
            ld hl,(ASMOPS)
tc_next:    ld a,(de)
            inc de
            cp T_LAST+1
            jr c,tc_mark
            cp (hl)
            ret nz
            inc hl
            jr tc_next
tc_mark:    or a
            jr nz,tc_number
            cp (hl)             ; the template ends: so must the text
            ret
tc_number:  cp T_DISP
            jr z,tc_disp
            ex af,af'
            call PARSENUM
            ret nz
            ex af,af'
            cp T_VALUE
            jr z,tc_value
            cp T_WORD
            jr z,tc_word
            cp T_REL
            jr z,tc_rel
            ld a,b              ; T_BYTE
            or a
            ret nz
tc_low:     ld a,c
            call ADDOB
            jr tc_next
tc_word:    ld a,c
            call ADDOB
            ld a,b
            call ADDOB
            jr tc_next
tc_value:   ld a,b
            or a
            ret nz
            ld a,(de)
            inc de
            cp c
            ret nz
            jr tc_next
tc_rel:     push hl             ; the target, as a displacement from the
            ld hl,(ASMADR)      ; instruction's end (JR and DJNZ: 2 bytes)
            inc hl
            inc hl
            ld a,c
            sub l
            ld c,a
            ld a,b
            sbc a,h
            ld b,a
            pop hl
            ld a,c
            rla
            sbc a,a
            cp b
            ret nz              ; out of reach
            jr tc_low
tc_disp:    ld a,(hl)           ; (IX+d), (IX-d), or (IX) for (IX+0)
            ld c,0
            cp ')'
            jr z,tc_low
            inc hl
            cp '+'
            jr z,tc_plus
            cp '-'
            ret nz
            call PARSENUM
            ret nz
            ld a,b
            or a
            ret nz
            ld a,80h
            cp c
            ret c
            xor a
            sub c
            ld c,a
            jr tc_low
tc_plus:    call PARSENUM
            ret nz
            ld a,b
            or a
            ret nz
            ld a,7Fh
            cp c
            ret c
            jr tc_low

; Appends A to the operand bytes in ASMOB. Keeps all but AF.
ADDOB:      push hl
            push af
            ld hl,ASMN
            ld a,(hl)
            inc (hl)
            add a,low ASMOB
            ld l,a
            pop af
            ld (hl),a
            pop hl
            ret

; BC: the hex number at HL (1-4 digits), HL past it; NZ when there is none,
; or when it is a register name (A-E, AF, BC, DE). Keeps DE.
PARSENUM:   push de
            ld bc,0
            ld d,b              ; digits
            ld e,(hl)           ; the first character
pa_digit:   ld a,(hl)
            call HEXVAL
            jr c,pa_end
            push hl
            ld h,b
            ld l,c
            add hl,hl
            add hl,hl
            add hl,hl
            add hl,hl
            or l
            ld l,a
            ld b,h
            ld c,l
            pop hl
            inc hl
            inc d
            ld a,d
            cp 5
            jr c,pa_digit
            jr pa_bad
pa_end:     ld a,d
            or a
            jr z,pa_bad
            ld a,e
            cp 'A'
            jr c,pa_ok
            ld a,c
            dec d
            jr nz,pa_two
            cp 0Fh              ; A-E
            jr c,pa_bad
            jr pa_ok
pa_two:     dec d
            jr nz,pa_ok
            cp 0AFh
            jr z,pa_bad
            cp 0BCh
            jr z,pa_bad
            cp 0DEh
            jr z,pa_bad
pa_ok:      pop de
            xor a
            ret
pa_bad:     pop de
            or 1
            ret

; A: the number of the word at HL (ended by a space or the end of the line)
; in the name list at DE, HL past the word; CY when it is not there.
FINDNAME:   ld c,0
fn_name:    ld a,(de)
            or a
            scf
            ret z
            push hl
fn_char:    ld a,(de)
            inc de
            ld b,a
            and 7Fh
            cp (hl)
            jr nz,fn_skip
            inc hl
            bit 7,b
            jr z,fn_char
            ld a,(hl)
            cp ' '+1
            jr nc,fn_next
            pop af
            ld a,c
            or a
            ret
fn_skip:    bit 7,b
            jr nz,fn_next
            ld a,(de)
            inc de
            ld b,a
            jr fn_skip
fn_next:    pop hl
            inc c
            jr fn_name

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

; Mnemonics, in the order of their numbers M_...; the first eight change
; the flow of the program. Each name ends with bit 7 set.
M_JP        equ 0
M_CALL      equ 1
M_JR        equ 2
M_DJNZ      equ 3
M_RST       equ 4
M_RET       equ 5
M_RETI      equ 6
M_RETN      equ 7
M_LD        equ 8
M_PUSH      equ 9
M_POP       equ 10
M_EX        equ 11
M_EXX       equ 12
M_ADD       equ 13
M_ADC       equ 14
M_SUB       equ 15
M_SBC       equ 16
M_AND       equ 17
M_XOR       equ 18
M_OR        equ 19
M_CP        equ 20
M_INC       equ 21
M_DEC       equ 22
M_NOP       equ 23
M_HALT      equ 24
M_DI        equ 25
M_EI        equ 26
M_IM        equ 27
M_RLCA      equ 28
M_RRCA      equ 29
M_RLA       equ 30
M_RRA       equ 31
M_DAA       equ 32
M_CPL       equ 33
M_SCF       equ 34
M_CCF       equ 35
M_NEG       equ 36
M_IN        equ 37
M_OUT       equ 38
M_RLC       equ 39
M_RRC       equ 40
M_RL        equ 41
M_RR        equ 42
M_SLA       equ 43
M_SRA       equ 44
M_SRL       equ 45
M_BIT       equ 46
M_RES       equ 47
M_SET       equ 48
M_RRD       equ 49
M_RLD       equ 50
M_LDI       equ 51
M_LDD       equ 52
M_LDIR      equ 53
M_LDDR      equ 54
M_CPI       equ 55
M_CPD       equ 56
M_CPIR      equ 57
M_CPDR      equ 58
M_INI       equ 59
M_IND       equ 60
M_INIR      equ 61
M_INDR      equ 62
M_OUTI      equ 63
M_OUTD      equ 64
M_OTIR      equ 65
M_OTDR      equ 66
M_DB        equ 67

MNEMS:      defb 'J','P'+80h, 'C','A','L','L'+80h, 'J','R'+80h, 'D','J','N','Z'+80h
            defb 'R','S','T'+80h, 'R','E','T'+80h, 'R','E','T','I'+80h, 'R','E','T','N'+80h
            defb 'L','D'+80h, 'P','U','S','H'+80h, 'P','O','P'+80h, 'E','X'+80h
            defb 'E','X','X'+80h, 'A','D','D'+80h, 'A','D','C'+80h, 'S','U','B'+80h
            defb 'S','B','C'+80h, 'A','N','D'+80h, 'X','O','R'+80h, 'O','R'+80h
            defb 'C','P'+80h, 'I','N','C'+80h, 'D','E','C'+80h, 'N','O','P'+80h
            defb 'H','A','L','T'+80h, 'D','I'+80h, 'E','I'+80h, 'I','M'+80h
            defb 'R','L','C','A'+80h, 'R','R','C','A'+80h, 'R','L','A'+80h
            defb 'R','R','A'+80h, 'D','A','A'+80h, 'C','P','L'+80h, 'S','C','F'+80h
            defb 'C','C','F'+80h, 'N','E','G'+80h, 'I','N'+80h, 'O','U','T'+80h
            defb 'R','L','C'+80h, 'R','R','C'+80h, 'R','L'+80h, 'R','R'+80h
            defb 'S','L','A'+80h, 'S','R','A'+80h, 'S','R','L'+80h, 'B','I','T'+80h
            defb 'R','E','S'+80h, 'S','E','T'+80h, 'R','R','D'+80h, 'R','L','D'+80h
            defb 'L','D','I'+80h, 'L','D','D'+80h, 'L','D','I','R'+80h, 'L','D','D','R'+80h
            defb 'C','P','I'+80h, 'C','P','D'+80h, 'C','P','I','R'+80h, 'C','P','D','R'+80h
            defb 'I','N','I'+80h, 'I','N','D'+80h, 'I','N','I','R'+80h, 'I','N','D','R'+80h
            defb 'O','U','T','I'+80h, 'O','U','T','D'+80h, 'O','T','I','R'+80h
            defb 'O','T','D','R'+80h, 'D','B'+80h
            defb 0

; Operand names: r (0-7), rp (8-11), AF, the conditions, fixed operands.
N_B         equ 0
N_C         equ 1
N_D         equ 2
N_E         equ 3
N_H         equ 4
N_L         equ 5
N_MHL       equ 6
N_A         equ 7
N_BC        equ 8
N_DE        equ 9
N_HL        equ 10
N_SP        equ 11
N_AF        equ 12
N_NZ        equ 13
N_Z         equ 14
N_NC        equ 15
N_PO        equ 16
N_PE        equ 17
N_P         equ 18
N_M         equ 19
N_AFX       equ 20
N_MSP       equ 21
N_MC        equ 22
N_MBC       equ 23
N_MDE       equ 24
N_I         equ 25
N_R         equ 26
N_IM0       equ 27
N_IM1       equ 28
N_IM2       equ 29

NAMES:      defb 'B'+80h, 'C'+80h, 'D'+80h, 'E'+80h, 'H'+80h, 'L'+80h, '(','H','L',')'+80h
            defb 'A'+80h, 'B','C'+80h, 'D','E'+80h, 'H','L'+80h, 'S','P'+80h
            defb 'A','F'+80h, 'N','Z'+80h, 'Z'+80h, 'N','C'+80h, 'P','O'+80h
            defb 'P','E'+80h, 'P'+80h, 'M'+80h, 'A','F',0A7h, '(','S','P',')'+80h
            defb '(','C',')'+80h, '(','B','C',')'+80h, '(','D','E',')'+80h
            defb 'I'+80h, 'R'+80h, '0'+80h, '1'+80h, '2'+80h


; Operand kinds of OPTAB. Those up to K_RST take bits of the opcode (FMASK);
; X_... is a fixed name, 32 + its number in NAMES.
K_R3        equ 1               ; r in bits 5-3
K_R0        equ 2               ; r in bits 2-0
K_RIO       equ 3               ; r in bits 5-3, not (HL): IN r,(C), OUT (C),r
K_RP        equ 4               ; BC DE HL SP in bits 5-4
K_RP2       equ 5               ; BC DE HL AF in bits 5-4
K_CC        equ 6               ; NZ Z NC C PO PE P M in bits 5-3
K_CCJ       equ 7               ; NZ Z NC C in bits 4-3
K_BIT       equ 8               ; 0-7 in bits 5-3
K_RST       equ 9               ; 00h-38h in bits 5-3
K_N         equ 10              ; a byte
K_NN        equ 11              ; a word
K_MNN       equ 12              ; (word)
K_REL       equ 13              ; a relative jump's target
K_PORT      equ 14              ; (byte)
K_HLI       equ 15              ; HL, or IX / IY
K_JPHL      equ 16              ; (HL), or (IX) / (IY), of JP (HL)
X_A         equ 32+N_A
X_HL        equ 32+N_HL         ; HL that no prefix changes
X_DE        equ 32+N_DE
X_SP        equ 32+N_SP
X_AF        equ 32+N_AF
X_AFX       equ 32+N_AFX
X_MSP       equ 32+N_MSP
X_MC        equ 32+N_MC
X_MBC       equ 32+N_MBC
X_MDE       equ 32+N_MDE
X_I         equ 32+N_I
X_R         equ 32+N_R
X_IM0       equ 32+N_IM0
X_IM1       equ 32+N_IM1
X_IM2       equ 32+N_IM2
G_CB        equ 40h             ; group of an entry, in bits 7-6 of its first operand
G_ED        equ 80h
F_USED      equ 1               ; DFLG: HL became IX or IY
F_MEM       equ 2               ; (HL) became (IX+d)
F_HL        equ 4               ; H or L was named
F_BAD       equ 8               ; (HL) where IN and OUT take none
T_BYTE      equ 1               ; template markers, where a number is typed
T_WORD      equ 2
T_REL       equ 3
T_DISP      equ 4               ; + or - and the displacement of (IX+d)
T_VALUE     equ 5               ; the number that follows it
T_LAST      equ 5
LISTROWS    equ 18              ; rows of an L without a count

; The bits of the opcode that each kind up to K_RST takes.
FMASK:      defb 0, 38h, 07h, 38h, 30h, 30h, 38h, 18h, 38h, 38h
RPNAME:     defb N_BC, N_DE, N_HL, N_SP
RP2NAME:    defb N_BC, N_DE, N_HL, N_AF
CCNAME:     defb N_NZ, N_Z, N_NC, N_C, N_PO, N_PE, N_P, N_M

; The instruction set: opcode with the operand fields zero, mnemonic, group
; and first operand, second operand. L takes the first entry whose fixed bits
; match, so HALT stands before LD r,r'.
OPTAB:      defb 00h, M_NOP, 0, 0
            defb 08h, M_EX, X_AF, X_AFX
            defb 10h, M_DJNZ, K_REL, 0
            defb 18h, M_JR, K_REL, 0
            defb 20h, M_JR, K_CCJ, K_REL
            defb 01h, M_LD, K_RP, K_NN
            defb 09h, M_ADD, K_HLI, K_RP
            defb 02h, M_LD, X_MBC, X_A
            defb 12h, M_LD, X_MDE, X_A
            defb 22h, M_LD, K_MNN, K_HLI
            defb 32h, M_LD, K_MNN, X_A
            defb 0Ah, M_LD, X_A, X_MBC
            defb 1Ah, M_LD, X_A, X_MDE
            defb 2Ah, M_LD, K_HLI, K_MNN
            defb 3Ah, M_LD, X_A, K_MNN
            defb 03h, M_INC, K_RP, 0
            defb 0Bh, M_DEC, K_RP, 0
            defb 04h, M_INC, K_R3, 0
            defb 05h, M_DEC, K_R3, 0
            defb 06h, M_LD, K_R3, K_N
            defb 07h, M_RLCA, 0, 0
            defb 0Fh, M_RRCA, 0, 0
            defb 17h, M_RLA, 0, 0
            defb 1Fh, M_RRA, 0, 0
            defb 27h, M_DAA, 0, 0
            defb 2Fh, M_CPL, 0, 0
            defb 37h, M_SCF, 0, 0
            defb 3Fh, M_CCF, 0, 0
            defb 76h, M_HALT, 0, 0
            defb 40h, M_LD, K_R3, K_R0
            defb 80h, M_ADD, X_A, K_R0
            defb 88h, M_ADC, X_A, K_R0
            defb 90h, M_SUB, K_R0, 0
            defb 98h, M_SBC, X_A, K_R0
            defb 0A0h, M_AND, K_R0, 0
            defb 0A8h, M_XOR, K_R0, 0
            defb 0B0h, M_OR, K_R0, 0
            defb 0B8h, M_CP, K_R0, 0
            defb 0C0h, M_RET, K_CC, 0
            defb 0C1h, M_POP, K_RP2, 0
            defb 0C2h, M_JP, K_CC, K_NN
            defb 0C3h, M_JP, K_NN, 0
            defb 0C4h, M_CALL, K_CC, K_NN
            defb 0C5h, M_PUSH, K_RP2, 0
            defb 0C6h, M_ADD, X_A, K_N
            defb 0CEh, M_ADC, X_A, K_N
            defb 0D6h, M_SUB, K_N, 0
            defb 0DEh, M_SBC, X_A, K_N
            defb 0E6h, M_AND, K_N, 0
            defb 0EEh, M_XOR, K_N, 0
            defb 0F6h, M_OR, K_N, 0
            defb 0FEh, M_CP, K_N, 0
            defb 0C7h, M_RST, K_RST, 0
            defb 0C9h, M_RET, 0, 0
            defb 0CDh, M_CALL, K_NN, 0
            defb 0D3h, M_OUT, K_PORT, X_A
            defb 0DBh, M_IN, X_A, K_PORT
            defb 0D9h, M_EXX, 0, 0
            defb 0E3h, M_EX, X_MSP, K_HLI
            defb 0E9h, M_JP, K_JPHL, 0
            defb 0EBh, M_EX, X_DE, X_HL
            defb 0F3h, M_DI, 0, 0
            defb 0F9h, M_LD, X_SP, K_HLI
            defb 0FBh, M_EI, 0, 0
            ; CB: rotates and shifts (SLL, CB 30h-37h, is left out), bits
            defb 00h, M_RLC, G_CB+K_R0, 0
            defb 08h, M_RRC, G_CB+K_R0, 0
            defb 10h, M_RL, G_CB+K_R0, 0
            defb 18h, M_RR, G_CB+K_R0, 0
            defb 20h, M_SLA, G_CB+K_R0, 0
            defb 28h, M_SRA, G_CB+K_R0, 0
            defb 38h, M_SRL, G_CB+K_R0, 0
            defb 40h, M_BIT, G_CB+K_BIT, K_R0
            defb 80h, M_RES, G_CB+K_BIT, K_R0
            defb 0C0h, M_SET, G_CB+K_BIT, K_R0
            ; ED
            defb 40h, M_IN, G_ED+K_RIO, X_MC
            defb 41h, M_OUT, G_ED+X_MC, K_RIO
            defb 42h, M_SBC, G_ED+X_HL, K_RP
            defb 4Ah, M_ADC, G_ED+X_HL, K_RP
            defb 43h, M_LD, G_ED+K_MNN, K_RP
            defb 4Bh, M_LD, G_ED+K_RP, K_MNN
            defb 44h, M_NEG, G_ED, 0
            defb 45h, M_RETN, G_ED, 0
            defb 4Dh, M_RETI, G_ED, 0
            defb 46h, M_IM, G_ED+X_IM0, 0
            defb 56h, M_IM, G_ED+X_IM1, 0
            defb 5Eh, M_IM, G_ED+X_IM2, 0
            defb 47h, M_LD, G_ED+X_I, X_A
            defb 4Fh, M_LD, G_ED+X_R, X_A
            defb 57h, M_LD, G_ED+X_A, X_I
            defb 5Fh, M_LD, G_ED+X_A, X_R
            defb 67h, M_RRD, G_ED, 0
            defb 6Fh, M_RLD, G_ED, 0
            defb 0A0h, M_LDI, G_ED, 0
            defb 0A8h, M_LDD, G_ED, 0
            defb 0B0h, M_LDIR, G_ED, 0
            defb 0B8h, M_LDDR, G_ED, 0
            defb 0A1h, M_CPI, G_ED, 0
            defb 0A9h, M_CPD, G_ED, 0
            defb 0B1h, M_CPIR, G_ED, 0
            defb 0B9h, M_CPDR, G_ED, 0
            defb 0A2h, M_INI, G_ED, 0
            defb 0AAh, M_IND, G_ED, 0
            defb 0B2h, M_INIR, G_ED, 0
            defb 0BAh, M_INDR, G_ED, 0
            defb 0A3h, M_OUTI, G_ED, 0
            defb 0ABh, M_OUTD, G_ED, 0
            defb 0B3h, M_OTIR, G_ED, 0
            defb 0BBh, M_OTDR, G_ED, 0
            defb 0, 0FFh

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
MSG_NONE:   defm "NONE",0
MSG_HELP:   defm "D [ADDR [END]]   DUMP MEMORY",K_CR
            defm "M ADDR [BB ..]   CHANGE MEMORY",K_CR
            defm "F START END BB   FILL MEMORY",K_CR
            defm "A ADDR           ASSEMBLE (. ENDS)",K_CR
            defm "L [ADDR [N]]     DISASSEMBLE",K_CR
            defm "G [ADDR]         GO, OR CONTINUE",K_CR
            defm "S [N]            STEP N INSTRUCTIONS",K_CR
            defm "B [ADDR]         SET, LIST BREAKPOINTS",K_CR
            defm "BC [ADDR]        CLEAR ONE, OR ALL",K_CR
            defm "R [REG VALUE]    REGISTERS: SHOW, SET",K_CR
            defm "C                CLEAR SCREEN",K_CR
            defm "H                THIS HELP",K_CR
            defm "CTRL , . ;       TYPE - + '",K_CR,0

ROMEND:
            if ROMEND > 2000h
            .error the monitor outgrows its 8 KiB ROM
            endif
            defs 2000h-ROMEND,0FFh
