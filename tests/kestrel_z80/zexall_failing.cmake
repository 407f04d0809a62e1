# The ZEXALL groups that fail on kestrel's core, each by a rule of the core
# (ZEXALL also compares flag bits 5 and 3; ZEXDOC passes every group).
set(failing_groups
  # BIT n,r takes S, bit 5 and bit 3 from (r AND mask), where the real
  # processor copies bits 5 and 3 from r itself.
  "bit n,<b,c,d,e,h,l,(hl),a>"
)
