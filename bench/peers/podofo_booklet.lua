-- A saddle-stitched booklet, two pages side by side on each side of a sheet,
-- for podofoimpose. Padding blanks are left out.
PageWidth = SourceWidth * 2
PageHeight = SourceHeight
padded = math.ceil(PageCount / 4) * 4
k = 0
while k < padded / 2 do
  if k % 2 == 1 then low = k + 1; high = padded - k else low = padded - k; high = k + 1 end
  if low <= PageCount then PushRecord(low, k + 1, 0, 0, 0) end
  if high <= PageCount then PushRecord(high, k + 1, 0, SourceWidth, 0) end
  k = k + 1
end
