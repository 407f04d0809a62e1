; Two sections with a gap: pasmo's binary fills the gap with zeros, its HEX
; file leaves it out. The first section starts at address 0.
        org 0
        di
        jp 0100h
        org 0100h
        ld a,55h
        halt
