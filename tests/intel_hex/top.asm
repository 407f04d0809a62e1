; Bytes up to FFEFh, the end of the last whole 16-byte record. (pasmo 0.5
; loops for ever on a program that runs into FFF0h to FFFFh; the reader's
; tests cover those addresses with literal records.)
        org 0ff00h
        jp 0ff00h
        defs 236,76h
        defb 0aah
