"""The same jobs done with pikepdf, as a peer in the command benchmark.

usage: pikepdf_impose.py JOB IN OUT
  nup       four pages to a sheet of twice their width and height, in a new document
  booklet   a saddle-stitched booklet: two pages side by side, padded to a multiple of four
  shuffle   pages swapped in pairs (2 1 4 3 ...), in a new document
  reverse   the pages in reverse order, in a new document
  reverse-in-place  the same, in the document itself
  evenodd   odd pages first, then even ones, in the document itself
"""
import sys

import pikepdf
from pikepdf import Pdf, Rectangle


def sheets(src, out, per_sheet, places, order):
    box = src.pages[0].mediabox
    w, h = float(box[2]) - float(box[0]), float(box[3]) - float(box[1])
    sheet_w, sheet_h = places["size"](w, h)
    for start in range(0, len(order), per_sheet):
        sheet = out.add_blank_page(page_size=(sheet_w, sheet_h))
        for slot, number in enumerate(order[start:start + per_sheet]):
            if number is None:
                continue
            x, y = places["at"](slot, w, h)
            sheet.add_overlay(src.pages[number], Rectangle(x, y, x + w, y + h))


def nup(src, out):
    order = list(range(len(src.pages)))
    places = {"size": lambda w, h: (2 * w, 2 * h),
              "at": lambda slot, w, h: ((slot % 2) * w, (1 - slot // 2) * h)}
    sheets(src, out, 4, places, order)


def booklet(src, out):
    n = len(src.pages)
    padded = (n + 3) // 4 * 4
    order = []
    for k in range(padded // 2):
        low, high = (k, padded - 1 - k) if k % 2 else (padded - 1 - k, k)
        order += [low if low < n else None, high if high < n else None]
    places = {"size": lambda w, h: (2 * w, h), "at": lambda slot, w, h: (slot * w, 0)}
    sheets(src, out, 2, places, order)


def main():
    job, path, target = sys.argv[1:4]
    src = Pdf.open(path)
    n = len(src.pages)
    if job in ("nup", "booklet"):
        out = Pdf.new()
        (nup if job == "nup" else booklet)(src, out)
        out.save(target)
    elif job in ("shuffle", "reverse"):
        out = Pdf.new()
        if job == "shuffle":
            order = [i ^ 1 if (i ^ 1) < n else i for i in range(n)]
        else:
            order = list(range(n - 1, -1, -1))
        out.pages.extend(src.pages[i] for i in order)
        out.save(target)
    elif job in ("reverse-in-place", "evenodd"):
        # The page tree's Kids written once: the page list's own reverse and
        # moves take time in the number of pages for each page.
        kids = src.Root.Pages.Kids
        pages = [kids[i] for i in range(n)]
        order = pages[::-1] if job == "reverse-in-place" else pages[0::2] + pages[1::2]
        src.Root.Pages.Kids = pikepdf.Array(order)
        src.save(target)
    else:
        sys.exit("unknown job " + job)


if __name__ == "__main__":
    main()
