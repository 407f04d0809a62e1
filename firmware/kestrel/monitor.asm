; kestrel monitor: the 4 KiB monitor ROM of the MPF-1B board (U6).
;
; Assembled with pasmo into mpf1b_u6.rom, padded to exactly 4,096 bytes.
;
; Hardware it drives (8255 PPI at ports 00h-03h):
;   port A (00h) in   keypad rows: bits 0-5 active low, bit 6 low = USER KEY
;   port B (01h) out  segment pattern, latched into every digit selected on C
;   port C (02h) out  bits 0-5: digit select (high) and keypad column (low),
;                     bit 7: TONE output, the TONE lamp is lit while it is 0
;   control (03h)     mode word 90h: A in, B and C out
; Segment bits: 0 lower left, 1 middle, 2 upper left, 3 top, 4 upper right,
; 5 lower right, 6 decimal point, 7 bottom. Digit 5 is the leftmost.
;
; Fixed addresses the board relies on:
;   0000h reset        0008h-0028h entry points     0030h break trap (RST 30h)
;   0038h IM 1 interrupt, through the RAM vector INTVEC
;   0066h NMI (MONI key): saves every user register
;   02E1h the first instruction on the way into a user program (GO)
;   05E4h the key-click routine every accepted key calls
;   0630h-063Fh segment table (data only: no port B write around 063Ah)

PORTA           equ 00h
PORTB           equ 01h
PORTC           equ 02h
PPICTL          equ 03h
PPIMODE         equ 90h             ; port A input, B and C output, mode 0
PC_IDLE         equ 80h             ; TONE off, no digit, no column
CLICK_HALF      equ 67              ; key click: TONE's delay count for 995 Hz
CLICK_PERIODS   equ 40              ; and its length, 40 ms

BRKOP           equ 0F7h            ; RST 30h, the breakpoint opcode
COLDMARK        equ 0A5h            ; 1FE5h holds this once the monitor ran

; ---------------------------------------------------------------- RAM map
USER_RAM        equ 1800h           ; user RAM 1800h-1F7Fh
USER_END        equ 1F7Fh
WORK_START      equ 1F80h           ; monitor work area 1F80h-1FFFh
MON_STACK_LO    equ 1F80h           ; monitor stack 1F80h-1F9Fh
MON_SP          equ 1FA0h
PARAMS          equ 1FA0h           ; MOVE/RELA parameters, three words
RESTK_PAD       equ 1FA6h           ; room for an NMI push while resuming
RESTK           equ 1FA8h           ; AF' and AF copies popped by the resume
REGBASE         equ 1FB0h           ; saved registers, in push order reversed:
REG_IY          equ REGBASE+0
REG_IX          equ REGBASE+2
REG_HL2         equ REGBASE+4       ; HL'
REG_DE2         equ REGBASE+6
REG_BC2         equ REGBASE+8
REG_AF2         equ REGBASE+10
REG_HL          equ REGBASE+12
REG_DE          equ REGBASE+14
REG_BC          equ REGBASE+16
REG_AF          equ REGBASE+18
SAVE_END        equ REGBASE+20
USER_SP         equ 1FC4h           ; = SAVE_END
USER_PC         equ 1FC6h
USER_I          equ 1FC8h
STUB            equ 1FC9h           ; ld (IN_MONW),sp / ei or nop / ret
TMP_SP          equ 1FCFh           ; SP at a trap or NMI; user SP-2 on resume
NMI_SP          equ 1FD1h
NMI_STK_TOP     equ 1FD7h           ; two pushes below it
INTVEC          equ 1FD7h           ; IM 1 handler address (INTR key)
IN_MONW         equ 1FD9h           ; 0 while the monitor runs
MODE            equ 1FDBh
MSGF            equ 1FDCh           ; 1: DISPBUF holds a message
ADDR            equ 1FDDh           ; the address field
REGSEL          equ 1FDFh
PIDX            equ 1FE0h
CMD             equ 1FE1h
KIND            equ 1FE2h           ; 1 break trap, 2 NMI
STEPPING        equ 1FE3h           ; 1 STEP, 2 GO leaving its own breakpoint
NX_FLAGS        equ 1FE4h           ; bit 0 falls through, 1 jumps, 2 call
COLD            equ 1FE5h           ; cold start marker (FFh after power-up)
DISPBUF         equ 1FE6h           ; six segment bytes, leftmost first
BRKREC          equ 1FECh           ; SBR: address, saved byte
BRK_ADDR        equ 1FECh
BRK_BYTE        equ 1FEEh
BRK_STATE       equ 1FEFh           ; bit 0 set by SBR, bit 1 planted
T1REC           equ 1FF0h           ; STEP breakpoints: address, saved byte
T2REC           equ 1FF3h
TCOUNT          equ 1FF6h           ; how many of T1REC/T2REC are planted
NX_FALL         equ 1FF7h
NX_JMP          equ 1FF9h
NX_LEN          equ 1FFBh

; Display modes
M_ADDR          equ 0
M_DATA          equ 1
M_REGSEL        equ 2
M_REG           equ 3
M_PARAM         equ 4

; Key codes returned by SCANKEY/GETKEY: 00h-0Fh are the hex keys.
K_ADDR          equ 10h
K_DATA          equ 11h
K_PLUS          equ 12h
K_MINUS         equ 13h
K_GO            equ 14h
K_STEP          equ 15h
K_REG           equ 16h
K_PC            equ 17h
K_SBR           equ 18h
K_CBR           equ 19h
K_MOVE          equ 1Ah
K_INS           equ 1Bh
K_DEL           equ 1Ch
K_RELA          equ 1Dh
K_TAPEWR        equ 1Eh
K_TAPERD        equ 1Fh
K_USER          equ 20h
K_NONE          equ 0FFh

; ================================================================= 0000h
                org 0000h
RESET:          di
                ld sp,MON_SP
                jp START

                if $ > 0008h
                .error "reset code too long"
                endif
                ds 0008h - $, 0FFh
; RST 08h: show the six segment bytes at HL (leftmost first).
                jp DISP6
                ds 0010h - $, 0FFh
; RST 10h: segment pattern of the hex digit in the low nibble of A.
                jp HEXSEG
                ds 0018h - $, 0FFh
; RST 18h: wait for a key, click, return its code in A.
                jp GETKEY
                ds 0020h - $, 0FFh
; RST 20h: one keypad scan; carry set and A = code if a key was read.
                jp SCANKEY
                ds 0028h - $, 0FFh
; RST 28h: tone, C = half period, HL = number of periods.
                jp TONE
                ds 0030h - $, 0FFh
; RST 30h: breakpoint trap. Saves every register and enters the monitor.
TRAP:           ld (TMP_SP),sp
                jp TRAP2
                if $ > 0038h
                .error "trap entry too long"
                endif
                ds 0038h - $, 0FFh
; IM 1 interrupt (INTR key): on to the handler whose address is in INTVEC.
INT38:          push hl
                ld hl,(INTVEC)
                ex (sp),hl
                ret

; The handler INTVEC points to after a cold start.
INT_DEFAULT:    ei
                reti

; HL = HL and DE compared: Z when equal. Destroys A.
CMP_HL_DE:      ld a,h
                cp d
                ret nz
                ld a,l
                cp e
                ret

; Carry set when HL lies in the monitor's work area 1F80h-1FFFh. Keeps HL.
IN_WORK:        ld a,h
                cp 1Fh
                jr nz,IW_NO
                ld a,l
                cp 80h
                ccf
                ret
IW_NO:          or a
                ret

                if $ > 0066h
                .error "low code reaches the NMI entry"
                endif
                ds 0066h - $, 0FFh
; ================================================================= 0066h
; NMI (MONI key). While the monitor itself runs (IN_MONW = 0) it simply
; restarts the monitor loop; otherwise every user register is saved.
NMI:            ld (NMI_SP),sp
                ld sp,NMI_STK_TOP
                push af
                push hl
                ld hl,(IN_MONW)
                ld a,h
                or l
                jr z,NMI_MON
                pop hl
                pop af
                ld sp,(NMI_SP)
                ld (TMP_SP),sp
                ld sp,SAVE_END
                push af
                ld a,2
                jr SAVE_COMMON

TRAP2:          ld sp,SAVE_END
                push af
                ld a,1
; A = entry kind, AF already pushed, TMP_SP = user SP with the PC on top.
SAVE_COMMON:    ld (KIND),a
                push bc
                push de
                push hl
                ex af,af'
                exx
                push af
                push bc
                push de
                push hl
                exx
                ex af,af'
                push ix
                push iy
                ld a,i                  ; P/V = the interrupted IFF
                ld (USER_I),a
                ld a,00h                ; nop: resume with interrupts off
                jp po,SC_DI
                ld a,0FBh               ; ei: resume with interrupts on
SC_DI:          ld (STUB+4),a
                di
                ld sp,MON_SP
                ld hl,0
                ld (IN_MONW),hl
                ld hl,(TMP_SP)
                ld e,(hl)
                inc hl
                ld d,(hl)
                inc hl
                ld (USER_SP),hl
                ld (USER_PC),de
                jp AFTER_SAVE

NMI_MON:        ld sp,MON_SP
                call REMOVE_BPS
                xor a
                ld (STEPPING),a
                jp MAIN

; A break trap at one of our breakpoints shows its address; any other entry
; (NMI, a RST 30h of the user's own) shows the PC it interrupted.
AFTER_SAVE:     ld a,(KIND)
                cp 1
                jr nz,AS_OTHER
                ld hl,(USER_PC)
                dec hl
                call IS_BP
                jr nz,AS_OTHER
                ld (USER_PC),hl
                call REMOVE_BPS
                ld a,(STEPPING)
                cp 2
                jr nz,AS_SHOW
                xor a
                ld (STEPPING),a
                ; GO started on its own breakpoint: that instruction is done,
                ; now run on with the breakpoint planted.
                ld hl,(USER_PC)
                ld de,(BRK_ADDR)
                call CMP_HL_DE
                jr z,AS_SHOW
                jp GO_FROM_PC
AS_OTHER:       call REMOVE_BPS
AS_SHOW:        xor a
                ld (STEPPING),a
                ld (MSGF),a
                ld (MODE),a             ; M_ADDR
                ld hl,(USER_PC)
                ld (ADDR),hl
                jp MAIN

; ---------------------------------------------------------------- start
START:          im 1
                ld a,PPIMODE
                out (PPICTL),a
                ld a,PC_IDLE
                out (PORTC),a
                ld a,(COLD)
                cp COLDMARK
                jr z,WARM
                ; cold start: clear the work area, set the defaults
                ld hl,WORK_START
                ld b,80h
CLR:            ld (hl),0
                inc hl
                djnz CLR
                ld hl,WORK_START        ; user stack just below the work area
                ld (USER_SP),hl
                ld hl,USER_RAM
                ld (USER_PC),hl
                ld (ADDR),hl
                ld hl,INT_DEFAULT
                ld (INTVEC),hl
                ld a,COLDMARK
                ld (COLD),a
                jr COMMON
WARM:           ld sp,MON_SP
                call REMOVE_BPS         ; a RESET while breakpoints were planted
COMMON:         ld sp,MON_SP
                ld hl,0
                ld (IN_MONW),hl
                call WRITE_STUB
                xor a
                ld (STEPPING),a
                ld (TCOUNT),a
                ld a,(BRK_STATE)
                and 1
                ld (BRK_STATE),a
                xor a
                ld (MODE),a
                ld hl,MSG_HELLO
                call SETMSG
                ; fall into the monitor loop

; ---------------------------------------------------------------- main loop
MAIN:           ld sp,MON_SP
                ld hl,0
                ld (IN_MONW),hl
                call SHOW
                call GETKEY
                call DISPATCH
                jr MAIN

; (Re)write the RAM stub that ends every resume: it marks the monitor as
; left, enables interrupts if the program had them on, and returns into it.
WRITE_STUB:     ld hl,STUB
                ld (hl),0EDh            ; ld (IN_MONW),sp
                inc hl
                ld (hl),73h
                inc hl
                ld (hl),IN_MONW & 0FFh
                inc hl
                ld (hl),IN_MONW >> 8
                inc hl
                ld a,(hl)
                cp 0FBh                 ; ei stays, anything else becomes nop
                jr z,WS_RET
                ld (hl),00h
WS_RET:         inc hl
                ld (hl),0C9h            ; ret
                ret

; Copy the six-byte message at HL into DISPBUF and show it until a key.
SETMSG:         ld de,DISPBUF
                ld bc,6
                ldir
                ld a,1
                ld (MSGF),a
                ret

; Error: clear any planted breakpoint and show "Error".
ERROR:          call REMOVE_BPS
                xor a
                ld (STEPPING),a
                ld hl,MSG_ERR
                call SETMSG
                jp MAIN

; ---------------------------------------------------------------- display
; Build DISPBUF for the current mode and show it.
SHOW:           ld a,(MSGF)
                or a
                jr nz,SHOWBUF
                ld a,(MODE)
                cp M_REG
                jr z,SH_REG
                cp M_PARAM
                jr z,SH_PARAM
                cp M_REGSEL
                jr z,SH_REGSEL
                ld de,(ADDR)            ; address and data fields
                call PUTWORD
                ld a,(de)
                call PUTBYTE
                ld a,(MODE)
                or a
                jr z,DP_ADDR
                ld hl,DISPBUF+4         ; decimal points mark the data field
                ld b,2
                jr DP_SET
SH_REG:         call REGPTR
                ld e,(hl)
                inc hl
                ld d,(hl)
                call PUTWORD
                ld a,(REGSEL)
                add a,a
                ld e,a
                ld d,0
                ld hl,REGNAMES
                add hl,de
                ld de,DISPBUF+4
                ldi
                ldi
                jr DP_ADDR
SH_PARAM:       call PARPTR
                ld e,(hl)
                inc hl
                ld d,(hl)
                call PUTWORD
                ld (hl),02h             ; "-" and the parameter's letter
                inc hl
                push hl
                ld a,(CMD)
                ld e,a
                add a,a
                add a,e                 ; CMD * 3
                ld e,a
                ld a,(PIDX)
                add a,e
                ld e,a
                ld d,0
                ld hl,PROMPTS
                add hl,de
                ld a,(hl)
                pop hl
                ld (hl),a
                jr DP_ADDR
SH_REGSEL:      ld hl,MSG_REG
                ld de,DISPBUF
                ld bc,6
                ldir
                jr SHOWBUF
DP_ADDR:        ld hl,DISPBUF           ; decimal points mark the address field
                ld b,4
DP_SET:         set 6,(hl)
                inc hl
                djnz DP_SET
SHOWBUF:        ld hl,DISPBUF
                jp DISP6

; Four hex digits of DE into DISPBUF[0..3]; returns HL = DISPBUF+4.
PUTWORD:        ld hl,DISPBUF
                ld a,d
                call PUTBYTE
                ld a,e
; Two hex digits of A at HL, HL advanced by two.
PUTBYTE:        push af
                rrca
                rrca
                rrca
                rrca
                call HEXSEG
                ld (hl),a
                inc hl
                pop af
                call HEXSEG
                ld (hl),a
                inc hl
                ret

; HL = address of the word of the selected register.
REGPTR:         ld a,(REGSEL)
                ld e,a
                ld d,0
                ld hl,REGOFS
                add hl,de
                ld e,(hl)
                ld hl,REGBASE
                add hl,de
                ret

; HL = address of the current parameter word.
PARPTR:         ld a,(PIDX)
                add a,a
                ld e,a
                ld d,0
                ld hl,PARAMS
                add hl,de
                ret

                if $ > 02E1h
                .error "code reaches 02E1h"
                endif
                ds 02E1h - $, 0FFh
; ================================================================= 02E1h
; Into the user program: GO comes through here (the board blanks the display
; when execution reaches this address); STEP enters one byte later.
; PREP_RESUME has put the user PC on the user stack at TMP_SP.
HOOK_GO:        di
RESUME_NB:      ld a,(USER_I)
                ld i,a
                ld iy,(REG_IY)
                ld ix,(REG_IX)
                exx
                ld hl,(REG_HL2)
                ld de,(REG_DE2)
                ld bc,(REG_BC2)
                exx
                ld hl,(REG_HL)
                ld de,(REG_DE)
                ld bc,(REG_BC)
                ld sp,RESTK
                pop af
                ex af,af'
                pop af
                ld sp,(TMP_SP)
                jp STUB                 ; marks the monitor left, ei/nop, ret

; Checks that the user stack can take the return address, puts the user PC
; there and prepares the final pops. Carry set when it cannot.
PREP_RESUME:    ld hl,(USER_SP)
                dec hl
                call IN_WORK
                ret c
                dec hl
                call IN_WORK
                ret c
                ld de,(USER_PC)
                ld (hl),e
                inc hl
                ld (hl),d
                ld a,(hl)
                cp d
                jr nz,PR_BAD
                dec hl
                ld a,(hl)
                cp e
                jr nz,PR_BAD
                ld (TMP_SP),hl
                call WRITE_STUB         ; in case the program overwrote it
                ld hl,(REG_AF2)
                ld (RESTK),hl
                ld hl,(REG_AF)
                ld (RESTK+2),hl
                or a
                ret
PR_BAD:         scf
                ret

; ---------------------------------------------------------------- breakpoints
; Plant the break opcode at HL, remembering address and old byte in the
; three-byte record at DE. Carry set (nothing changed) where memory cannot
; hold it: ROM, empty space, the monitor's work area.
PLANT:          call IN_WORK
                ret c
                ld a,l
                ld (de),a
                inc de
                ld a,h
                ld (de),a
                inc de
                ld a,(hl)
                ld (de),a
                ld (hl),BRKOP
                ld a,(hl)
                cp BRKOP
                ret z
                scf
                ret

; Put back the byte of the record at HL, unless the program has since
; written something else there.
UNPLANT:        ld e,(hl)
                inc hl
                ld d,(hl)
                inc hl
                ld a,(de)
                cp BRKOP
                ret nz
                ld a,(hl)
                ld (de),a
                ret

; Remove every planted breakpoint (the STEP pair and the SBR one).
REMOVE_BPS:     push hl
                push de
                ld a,(TCOUNT)
                cp 3
                jr nc,RB_TDONE
                cp 2
                jr c,RB_T1
                ld hl,T2REC
                call UNPLANT
RB_T1:          ld a,(TCOUNT)
                or a
                jr z,RB_TDONE
                ld hl,T1REC
                call UNPLANT
RB_TDONE:       xor a
                ld (TCOUNT),a
                ld a,(BRK_STATE)
                bit 1,a
                jr z,RB_END
                res 1,a
                ld (BRK_STATE),a
                ld hl,BRKREC
                call UNPLANT
RB_END:         pop de
                pop hl
                ret

; Z when HL is the address of a planted breakpoint. Keeps HL.
IS_BP:          push de
                ld a,(TCOUNT)
                or a
                jr z,IB_BRK
                ld de,(T1REC)
                call CMP_HL_DE
                jr z,IB_DONE
                ld a,(TCOUNT)
                cp 2
                jr c,IB_BRK
                ld de,(T2REC)
                call CMP_HL_DE
                jr z,IB_DONE
IB_BRK:         ld a,(BRK_STATE)
                bit 1,a
                jr z,IB_NO
                ld de,(BRK_ADDR)
                call CMP_HL_DE
                jr IB_DONE
IB_NO:          ld a,1
                or a
IB_DONE:        pop de
                ret

; ---------------------------------------------------------------- GO
C_GO:           ld a,(MODE)
                cp M_PARAM
                jp z,EXEC_PARAM
                ld hl,(ADDR)
                ld (USER_PC),hl
GO_FROM_PC:     ld a,(BRK_STATE)
                bit 0,a
                jr z,GO_LAUNCH
                ld hl,(BRK_ADDR)
                ld de,(USER_PC)
                call CMP_HL_DE
                jr nz,GO_PLANT
                ld a,2                  ; step off the breakpoint first
                ld (STEPPING),a
                jp STEP_PC
GO_PLANT:       ld de,BRKREC
                call PLANT
                jp c,ERROR
                ld a,(BRK_STATE)
                or 2
                ld (BRK_STATE),a
GO_LAUNCH:      call PREP_RESUME
                jp c,ERROR
                jp HOOK_GO

; ---------------------------------------------------------------- STEP
; One instruction at the address field: break opcodes go where it can
; continue (after it, at its jump, call or return target), it runs, and the
; trap brings the monitor back with the new PC shown.
C_STEP:         ld hl,(ADDR)
                ld (USER_PC),hl
                ld a,1
                ld (STEPPING),a
STEP_PC:        call DECODE
                xor a
                ld (TCOUNT),a
                ld a,(NX_FLAGS)
                bit 1,a
                jr z,SP_FALL
                ld hl,(NX_JMP)
                call IS_SELF
                jr c,SP_FALL            ; a jump into itself: wait for the exit
                ld de,T1REC
                call PLANT
                jr nc,SP_JOK
                ld a,(NX_FLAGS)
                bit 2,a
                jp z,ERROR              ; the target cannot take a breakpoint
                or 1                    ; a call into ROM: step over it
                ld (NX_FLAGS),a
                jr SP_FALL
SP_JOK:         ld a,1
                ld (TCOUNT),a
SP_FALL:        ld a,(NX_FLAGS)
                bit 0,a
                jr z,SP_GO
                ld hl,(NX_FALL)
                ld a,(TCOUNT)
                or a
                ld de,T1REC
                jr z,SP_F2
                ld de,(T1REC)
                call CMP_HL_DE
                jr z,SP_GO              ; both ways lead to the same address
                ld de,T2REC
SP_F2:          call PLANT
                jp c,ERROR
                ld hl,TCOUNT
                inc (hl)
SP_GO:          ld a,(TCOUNT)
                or a
                jp z,ERROR              ; nowhere to stop (JR to itself)
                call PREP_RESUME
                jp c,ERROR
                ld a,(STEPPING)
                cp 2
                jp z,HOOK_GO
                jp RESUME_NB

; Carry set when HL lies inside the instruction being stepped.
IS_SELF:        push hl
                push de
                ld de,(USER_PC)
                or a
                sbc hl,de
                ld a,h
                or a
                jr nz,ISF_NO
                ld a,(NX_LEN)
                ld d,a
                ld a,l
                cp d
                jr ISF_END
ISF_NO:         or a
ISF_END:        pop de
                pop hl
                ret

                if $ > 05DFh
                .error "code reaches the key click"
                endif
                ds 05DFh - $, 0FFh
; ================================================================= 05DFh
; KEYBEEP: light the TONE lamp, then run into the click at 05E4h so that the
; lamp is lit while the board sounds the click. Keeps every register.
KEYBEEP:        push af
                xor a
                out (PORTC),a
                pop af
; 05E4h: the key click, a square wave on the TONE bit of 40 periods of
; 1,799 T-states: 995 Hz for 40 ms at the board's 1.79 MHz. A TONE period
; is 57 + 26 * C T-states. Keeps every register.
CLICK:          push bc
                push hl
                ld c,CLICK_HALF
                ld hl,CLICK_PERIODS
                call TONE
                pop hl
                pop bc
                ret

                if CLICK - 05E4h
                .error "the key click must start at 05E4h"
                endif

; TONE: square wave on the TONE bit, C = half period (delay loops, 1-255),
; HL = number of periods. Keeps every register.
TONE:           push af
                push bc
                push hl
TN_LOOP:        xor a
                out (PORTC),a
                ld b,c
TN_LOW:         djnz TN_LOW
                ld a,PC_IDLE
                out (PORTC),a
                ld b,c
TN_HIGH:        djnz TN_HIGH
                dec hl
                ld a,h
                or l
                jr nz,TN_LOOP
                pop hl
                pop bc
                pop af
                ret

                if $ > 0630h
                .error "code reaches the segment table"
                endif
                ds 0630h - $, 0FFh
; ================================================================= 0630h
; Segment patterns of the hex digits 0-F (data only up to 063Fh).
SEGTAB:         db 0BDh, 30h, 9Bh, 0BAh, 36h, 0AEh, 0AFh, 38h
                db 0BFh, 0BEh, 3Fh, 0A7h, 8Dh, 0B3h, 8Fh, 0Fh

; ================================================================= 0640h
; HEXSEG: A = segment pattern of the low nibble of A. Keeps the others.
HEXSEG:         push hl
                and 0Fh
                ld hl,SEGTAB
                add a,l
                ld l,a
                ld a,(hl)
                pop hl
                ret

; DISP6: latch the six segment bytes at HL into the digits, leftmost first.
; The digits keep their pattern until rewritten. Keeps every register but AF.
DISP6:          push bc
                push hl
                ld b,6
                ld c,20h                ; digit 5, the leftmost
D6_LOOP:        ld a,c
                or PC_IDLE
                out (PORTC),a
                ld a,(hl)
                out (PORTB),a
                inc hl
                srl c
                djnz D6_LOOP
                ld a,PC_IDLE
                out (PORTC),a
                pop hl
                pop bc
                ret

; SCANKEY: read each keypad column once. Carry set and A = key code when a
; key was down, else carry clear and A = FFh. Keeps every other register.
SCANKEY:        push bc
                push de
                push hl
                ld b,0                  ; column number
                ld c,0FEh               ; column select, active low
SK_COL:         ld a,c
                and 3Fh
                or PC_IDLE
                out (PORTC),a
                in a,(PORTA)
                ld e,a
                or 0C0h
                cp 0FFh
                jr nz,SK_KEY
                bit 6,e
                jr z,SK_USER
                rlc c
                inc b
                ld a,b
                cp 6
                jr nz,SK_COL
                ld a,K_NONE
                jr SK_NONE
SK_USER:        ld a,K_USER
                jr SK_GOT
SK_KEY:         ld d,0                  ; the row: first low bit
SK_ROW:         rrca
                jr nc,SK_ROWD
                inc d
                jr SK_ROW
SK_ROWD:        ld a,b                  ; table index = column * 6 + row
                add a,a
                ld e,a
                add a,a
                add a,e
                add a,d
                ld e,a
                ld d,0
                ld hl,KEYTAB
                add hl,de
                ld a,(hl)
                cp K_NONE
                jr z,SK_NONE
SK_GOT:         ld e,a
                ld a,PC_IDLE
                out (PORTC),a
                ld a,e
                scf
                jr SK_END
SK_NONE:        ld a,PC_IDLE
                out (PORTC),a
                ld a,K_NONE
                or a
SK_END:         pop hl
                pop de
                pop bc
                ret

; GETKEY: wait for a key, click, A = its code. Keeps the other registers.
GETKEY:         call SCANKEY
                jr nc,GETKEY
                jp KEYBEEP

; Key code by column * 6 + row.
KEYTAB:         db 03h, 07h, 0Bh, 0Fh, K_NONE, K_NONE
                db 02h, 06h, 0Ah, 0Eh, K_NONE, K_NONE
                db 01h, 05h, 09h, 0Dh, K_STEP, K_TAPERD
                db 00h, 04h, 08h, 0Ch, K_GO, K_TAPEWR
                db K_CBR, K_PC, K_REG, K_ADDR, K_DEL, K_RELA
                db K_SBR, K_MINUS, K_DATA, K_PLUS, K_INS, K_MOVE

; ---------------------------------------------------------------- keys
; A = key code from GETKEY. Handlers return to the loop or jump to MAIN.
DISPATCH:       ld b,a
                xor a
                ld (MSGF),a             ; any key ends a message
                ld a,b
                cp 10h
                jr c,HEXKEY
                sub 10h
                cp 11h
                ret nc
                add a,a
                ld e,a
                ld d,0
                ld hl,CMDTAB
                add hl,de
                ld a,(hl)
                inc hl
                ld h,(hl)
                ld l,a
                jp (hl)

CMDTAB:         dw C_ADDR, C_DATA, C_PLUS, C_MINUS, C_GO, C_STEP, C_REG, C_PC
                dw C_SBR, C_CBR, C_MOVE, C_INS, C_DEL, C_RELA, C_TAPE, C_TAPE
                dw C_USER

; B = hex digit, shifted into the field being edited.
HEXKEY:         ld a,(MODE)
                cp M_DATA
                jr z,HK_DATA
                cp M_REGSEL
                jr z,HK_REGSEL
                cp M_REG
                jr z,HK_REG
                cp M_PARAM
                jr z,HK_PARAM
                ld hl,(ADDR)
                call SHL4
                ld (ADDR),hl
                ret
HK_DATA:        ld hl,(ADDR)
                call IN_MSTACK
                ret c                   ; the monitor's own stack stays intact
                ld a,(hl)
                rlca
                rlca
                rlca
                rlca
                and 0F0h
                or b
                ld (hl),a
                ret
HK_REGSEL:      ld a,b
                cp 12
                ret nc
                ld (REGSEL),a
                ld a,M_REG
                ld (MODE),a
                ret
HK_REG:         call REGPTR
                jr HK_WORD
HK_PARAM:       call PARPTR
HK_WORD:        ld e,(hl)
                inc hl
                ld d,(hl)
                ex de,hl
                call SHL4
                ex de,hl
                ld (hl),d
                dec hl
                ld (hl),e
                ret

; HL = HL * 16 + B.
SHL4:           add hl,hl
                add hl,hl
                add hl,hl
                add hl,hl
                ld a,l
                or b
                ld l,a
                ret

; Carry set when HL lies in the monitor stack 1F80h-1F9Fh. Keeps HL.
IN_MSTACK:      ld a,h
                cp 1Fh
                jr nz,IMS_NO
                ld a,l
                cp 80h
                jr c,IMS_NO
                cp 0A0h
                ret
IMS_NO:         or a
                ret

C_ADDR:         xor a                   ; M_ADDR
                ld (MODE),a
                ret

C_DATA:         ld a,M_DATA
                ld (MODE),a
                ret

C_PLUS:         ld a,(MODE)
                cp M_REG
                jr z,PL_REG
                cp M_PARAM
                jr z,PL_PARAM
                cp M_REGSEL
                ret z
                ld hl,(ADDR)
                inc hl
PL_ADDR:        ld (ADDR),hl
                ld a,M_DATA
                ld (MODE),a
                ret
PL_REG:         ld a,(REGSEL)
                inc a
                cp 12
                jr c,PL_REG2
                xor a
PL_REG2:        ld (REGSEL),a
                ret
PL_PARAM:       ld a,(CMD)
                ld e,a
                ld d,0
                ld hl,PCOUNT
                add hl,de
                ld a,(PIDX)
                inc a
                cp (hl)
                ret nc
                ld (PIDX),a
                ret

C_MINUS:        ld a,(MODE)
                cp M_REG
                jr z,MI_REG
                cp M_PARAM
                jr z,MI_PARAM
                cp M_REGSEL
                ret z
                ld hl,(ADDR)
                dec hl
                jr PL_ADDR
MI_REG:         ld a,(REGSEL)
                or a
                jr nz,MI_REG2
                ld a,12
MI_REG2:        dec a
                ld (REGSEL),a
                ret
MI_PARAM:       ld a,(PIDX)
                or a
                ret z
                dec a
                ld (PIDX),a
                ret

C_REG:          ld a,M_REGSEL
                ld (MODE),a
                ret

C_PC:           ld hl,(USER_PC)
                ld (ADDR),hl
                xor a
                ld (MODE),a
                ret

C_SBR:          ld hl,(ADDR)
                call IN_WORK
                jp c,ERROR
                ld a,(hl)               ; the address must be RAM
                cpl
                ld (hl),a
                cp (hl)
                cpl
                ld (hl),a
                jp nz,ERROR
                ld (BRK_ADDR),hl
                ld a,1
                ld (BRK_STATE),a
                ret

C_CBR:          xor a
                ld (BRK_STATE),a
                ret

C_TAPE:         ld hl,MSG_TAPE
                jp SETMSG

C_USER:         ret

C_MOVE:         xor a
                jr PARAM_START
C_RELA:         ld a,1
PARAM_START:    ld (CMD),a
                xor a
                ld (PIDX),a
                ld hl,(ADDR)
                ld (PARAMS),hl
                ld (PARAMS+2),hl
                ld (PARAMS+4),hl
                ld a,M_PARAM
                ld (MODE),a
                ret

EXEC_PARAM:     ld a,(CMD)
                or a
                jr nz,EX_RELA

; MOVE: copy start..end (inclusive) to destination; overlapping ranges are
; copied in the safe direction. The destination may not touch the monitor's
; work area nor run past FFFFh.
EX_MOVE:        ld hl,(PARAMS+2)
                ld de,(PARAMS)
                or a
                sbc hl,de               ; end - start
                jp c,ERROR
                ld b,h
                ld c,l                  ; BC = count - 1
                ld de,(PARAMS+4)
                add hl,de               ; last destination byte
                jp c,ERROR
                ld de,WORK_START
                or a
                sbc hl,de
                jr c,MV_OK              ; ends below the work area
                ld hl,(PARAMS+4)
                ld de,2000h
                or a
                sbc hl,de
                jp c,ERROR              ; starts at or below its top
MV_OK:          inc bc                  ; count (start <= end, so 1-10000h)
                ld a,b
                or c
                jp z,ERROR
                ld hl,(PARAMS+4)
                ld de,(PARAMS)
                or a
                sbc hl,de               ; destination - start
                jr z,MV_DONE
                jr c,MV_FWD
                ld hl,(PARAMS+2)
                ld de,(PARAMS+4)
                or a
                sbc hl,de               ; end - destination
                jr c,MV_FWD
                ld hl,(PARAMS+4)        ; overlapping upwards: from the top
                add hl,bc
                dec hl
                ex de,hl
                ld hl,(PARAMS+2)
                lddr
                jr MV_DONE
MV_FWD:         ld hl,(PARAMS)
                ld de,(PARAMS+4)
                ldir
MV_DONE:        ld hl,(PARAMS+4)
                ld (ADDR),hl
                xor a
                ld (MODE),a
                ret

; RELA: the displacement from the JR/DJNZ at the first address to the
; destination, stored in its second byte and shown there.
EX_RELA:        ld hl,(PARAMS)
                inc hl
                inc hl
                ex de,hl                ; DE = address after the branch
                ld hl,(PARAMS+2)
                or a
                sbc hl,de
                ld a,l
                rla
                ld a,h
                adc a,0                 ; 0 only for -128..127
                jp nz,ERROR
                ld b,l
                ld hl,(PARAMS)
                inc hl
                call IN_MSTACK
                jp c,ERROR
                ld (hl),b
                ld (ADDR),hl
                ld a,M_DATA
                ld (MODE),a
                ret

; INS: open a zero byte at the address field; the bytes up to the top of
; user RAM move up one, the last one drops out.
C_INS:          call INS_DEL_RANGE
                jr z,INS_ONE
                ld b,h
                ld c,l
                ld hl,USER_END-1
                ld de,USER_END
                lddr
INS_ONE:        ld hl,(ADDR)
                ld (hl),0
                ld a,M_DATA
                ld (MODE),a
                ret

; DEL: remove the byte at the address field; the bytes above it up to the
; top of user RAM move down one and a zero fills the top.
C_DEL:          call INS_DEL_RANGE
                jr z,DEL_ONE
                ld b,h
                ld c,l
                ld hl,(ADDR)
                ld d,h
                ld e,l
                inc hl
                ldir
DEL_ONE:        xor a
                ld (USER_END),a
                ld a,M_DATA
                ld (MODE),a
                ret

; HL = USER_END - address field, Z when 0; ERROR unless the address is in
; user RAM.
INS_DEL_RANGE:  ld hl,(ADDR)
                ld de,USER_RAM
                or a
                sbc hl,de
                jp c,ERROR_POP
                ld hl,USER_END
                ld de,(ADDR)
                or a
                sbc hl,de
                jp c,ERROR_POP
                ld a,h
                or l
                ret
ERROR_POP:      pop hl
                jp ERROR

; Decode the instruction at USER_PC: its length, the address after it, and
; where else it may go (NX_FLAGS bit 0 falls through, bit 1 jumps to NX_JMP,
; bit 2 the jump is a call).
DECODE:         ld hl,(USER_PC)
                call OPLEN
                ld (NX_LEN),a
                ld e,a
                ld d,0
                push hl
                add hl,de
                ld (NX_FALL),hl
                pop hl
                ld a,1
                ld (NX_FLAGS),a
                ld a,(hl)
                cp 0DDh
                jp z,DC_IDX
                cp 0FDh
                jp z,DC_IDX
                cp 0EDh
                jp z,DC_ED
                cp 10h                  ; DJNZ
                jp z,DC_JRC
                cp 18h                  ; JR e
                jp z,DC_JR
                ld b,a
                and 0E7h
                cp 20h                  ; JR cc,e
                jp z,DC_JRC
                ld a,b
                cp 0C3h
                jp z,DC_JP
                cp 0CDh
                jp z,DC_CALL
                cp 0C9h
                jp z,DC_RET
                cp 0E9h
                jp z,DC_JPHL
                and 0C7h
                cp 0C2h
                jp z,DC_JPCC
                cp 0C4h
                jp z,DC_CALLCC
                cp 0C0h
                jp z,DC_RETCC
                ret                     ; RST and the rest: the next address
DC_JR:          ld a,2
                jr DC_REL
DC_JRC:         ld a,3
DC_REL:         ld (NX_FLAGS),a
                inc hl
                ld a,(hl)
                inc hl                  ; HL = address after the branch
                ld e,a
                add a,a
                sbc a,a
                ld d,a
                add hl,de
                ld (NX_JMP),hl
                ret
DC_JP:          ld a,2
                jr DC_NN
DC_JPCC:        ld a,3
                jr DC_NN
DC_CALL:        ld a,6
                jr DC_NN
DC_CALLCC:      ld a,7
DC_NN:          ld (NX_FLAGS),a
                inc hl
                ld e,(hl)
                inc hl
                ld d,(hl)
                ld (NX_JMP),de
                ret
DC_RET:         ld a,2
                jr DC_SP
DC_RETCC:       ld a,3
DC_SP:          ld (NX_FLAGS),a
                ld hl,(USER_SP)
                ld e,(hl)
                inc hl
                ld d,(hl)
                ld (NX_JMP),de
                ret
DC_JPHL:        ld a,2
                ld (NX_FLAGS),a
                ld hl,(REG_HL)
                ld (NX_JMP),hl
                ret
DC_IDX:         inc hl
                ld a,(hl)
                cp 0E9h                 ; JP (IX) / JP (IY)
                ret nz
                ld a,2
                ld (NX_FLAGS),a
                dec hl
                ld a,(hl)
                cp 0DDh
                ld hl,(REG_IX)
                jr z,DC_IDX2
                ld hl,(REG_IY)
DC_IDX2:        ld (NX_JMP),hl
                ret
DC_ED:          inc hl
                ld a,(hl)
                and 0C7h
                cp 45h                  ; RETN / RETI
                ret nz
                ld a,2
                jr DC_SP

; A = length in bytes of the instruction at HL. Keeps HL.
OPLEN:          push hl
                push bc
                ld a,(hl)
                cp 0CBh
                jr z,OL_2
                cp 0EDh
                jr z,OL_ED
                cp 0DDh
                jr z,OL_IDX
                cp 0FDh
                jr z,OL_IDX
                call BASELEN
                jr OL_END
OL_2:           ld a,2
                jr OL_END
OL_4:           ld a,4
                jr OL_END
OL_ED:          inc hl
                ld a,(hl)
                and 0C7h
                cp 43h                  ; LD (nn),rr / LD rr,(nn)
                jr z,OL_4
                jr OL_2
OL_IDX:         inc hl
                ld a,(hl)
                cp 0CBh                 ; DD CB d op
                jr z,OL_4
                cp 0DDh
                jr z,OL_1
                cp 0FDh
                jr z,OL_1
                cp 0EDh
                jr z,OL_1
                ld b,a
                call BASELEN
                inc a                   ; the prefix
                ld c,a
                ld a,b
                call USESM
                ld a,c
                jr nc,OL_END
                inc a                   ; the displacement
                jr OL_END
OL_1:           ld a,1
OL_END:         pop bc
                pop hl
                ret

; A = length of the unprefixed opcode A. Keeps the other registers.
BASELEN:        push bc
                ld b,a
                and 0C0h
                jr z,BL_X0
                cp 0C0h
                jr z,BL_X3
BL_1:           ld a,1
                jr BL_END
BL_2:           ld a,2
                jr BL_END
BL_3:           ld a,3
                jr BL_END
BL_X0:          ld a,b
                and 07h
                jr z,BL_X0Z0
                cp 1
                jr z,BL_X0Z1
                cp 2
                jr z,BL_X0Z2
                cp 6
                jr z,BL_2
                jr BL_1
BL_X0Z0:        ld a,b                  ; NOP, EX AF: 1; DJNZ, JR: 2
                cp 10h
                jr nc,BL_2
                jr BL_1
BL_X0Z1:        bit 3,b                 ; LD rr,nn: 3; ADD HL,rr: 1
                jr z,BL_3
                jr BL_1
BL_X0Z2:        ld a,b                  ; LD (nn),HL/A, LD HL/A,(nn): 3
                cp 20h
                jr nc,BL_3
                jr BL_1
BL_X3:          ld a,b
                and 07h
                cp 2
                jr z,BL_3               ; JP cc,nn
                cp 4
                jr z,BL_3               ; CALL cc,nn
                cp 6
                jr z,BL_2               ; ALU A,n
                cp 3
                jr z,BL_X3Z3
                cp 5
                jr nz,BL_1
                ld a,b
                cp 0CDh
                jr z,BL_3
                jr BL_1
BL_X3Z3:        ld a,b
                cp 0C3h
                jr z,BL_3
                cp 0CBh
                jr z,BL_2
                cp 0D3h
                jr z,BL_2
                cp 0DBh
                jr z,BL_2
                jr BL_1
BL_END:         pop bc
                ret

; Carry set when opcode A names (HL) as memory, so an index prefix adds a
; displacement byte.
USESM:          cp 34h
                jr z,UM_YES
                cp 35h
                jr z,UM_YES
                cp 36h
                jr z,UM_YES
                cp 76h
                jr z,UM_NO
                ld b,a
                and 0C0h
                cp 40h
                jr z,UM_X1
                cp 80h
                jr nz,UM_NO
UM_Z6:          ld a,b
                and 07h
                cp 6
                jr z,UM_YES
UM_NO:          or a
                ret
UM_X1:          ld a,b
                and 38h
                cp 30h
                jr z,UM_YES
                jr UM_Z6
UM_YES:         scf
                ret

; ---------------------------------------------------------------- tables
; Offsets from REGBASE of the registers REG shows: AF BC DE HL AF' BC' DE'
; HL' IX IY SP PC.
REGOFS:         db 18, 16, 14, 12, 10, 8, 6, 4, 2, 0, 20, 22
; Their two-digit names; the decimal point marks the alternate set.
REGNAMES:       db 3Fh, 0Fh,  0A7h, 8Dh,  0B3h, 8Fh,  37h, 85h
                db 3Fh, 4Fh,  0A7h, 0CDh, 0B3h, 0CFh, 37h, 0C5h
                db 05h, 37h,  05h, 0B6h,  0AEh, 1Fh,  1Fh, 8Dh
; MOVE: S E d; RELA: S d.
PROMPTS:        db 0AEh, 8Fh, 0B3h
                db 0AEh, 0B3h, 00h
PCOUNT:         db 3, 2

MSG_HELLO:      db 00h, 37h, 8Fh, 85h, 85h, 0BDh       ; " HELLO"
MSG_ERR:        db 8Fh, 03h, 03h, 0A3h, 03h, 00h       ; "Error "
MSG_TAPE:       db 23h, 0E3h, 87h, 3Fh, 1Fh, 8Fh       ; "no.tAPE"
MSG_REG:        db 03h, 8Fh, 0ADh, 00h, 00h, 00h       ; "rEG   "

                if $ > 1000h
                .error "the monitor outgrows its 4 KiB ROM"
                endif
                ds 1000h - $, 0FFh
