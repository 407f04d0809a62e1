# The ZEXALL groups that fail on plover's core, each by one of its flag rules
# (ZEXALL also compares flag bits 5 and 3; ZEXDOC passes every group).
set(failing_groups
  # BIT n,r and BIT n,(HL) leave F5 and F3 unchanged (the real processor copies
  # them from the operand, or from its internal address register for (HL)).
  "bit n,<b,c,d,e,h,l,(hl),a>"
  # CPI, CPD, CPIR and CPDR set F5 and F3 from bits 5 and 3 of the byte
  # compared (the real processor takes them from A - byte - H).
  "cpd<r>"
  "cpi<r>"
  # LDI and LDD leave F5 and F3 unchanged; LDIR and LDDR set them from the byte
  # copied (the real processor takes them from A + byte).
  "ldd<r> (1)"
  "ldd<r> (2)"
  "ldi<r> (1)"
  "ldi<r> (2)"
)
