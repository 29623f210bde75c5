-- Four pages to a sheet of twice their width and height, for podofoimpose.
PageWidth = SourceWidth * 2
PageHeight = SourceHeight * 2
i = 1
while i <= PageCount do
  slot = (i - 1) % 4
  x = (slot % 2) * SourceWidth
  y = (1 - math.floor(slot / 2)) * SourceHeight
  PushRecord(i, math.floor((i - 1) / 4) + 1, 0, x, y)
  i = i + 1
end
