"""Part of the README demo: the sample PDF through both raster demo queues
(monochrome and colour), with pages, bytes and the row compression of each
printer stream."""

import re

CODINGS = {0: "uncoded", 1: "run-length (mode 1)", 2: "PackBits (mode 2)"}


def stream_facts(stream):
    """(pages, bytes, compression text, row kind) of a raster printer stream."""
    pages = stream.count(b"\x1b*r1A")
    modes = sorted({int(m) for m in re.findall(rb"\x1b\*b(\d+)M", stream)}) or [0]
    coding = ", ".join(CODINGS.get(m, "mode %d" % m) for m in modes)
    kind = "24-bit RGB rows" if b"\x1b*v6W" in stream else "1-bit rows"
    return pages, len(stream), coding, kind


def demo_raster_queues(cups, pdf, queues, user="demo"):
    """Prints pdf on every queue ({queue: model}); True when all completed."""
    print("Sample PDF through the raster demo queues:")
    ok = True
    for queue, model in queues.items():
        job = cups.print_file(queue, pdf, user=user, title="Velmora raster demo")
        state = cups.wait_job(job)
        stream = cups.output(queue)  # the file device holds the last job only
        pages, size, coding, kind = stream_facts(stream)
        print("  %-16s %-6s job %d %s: %d pages, %d bytes, %s, %s"
              % (queue, model, job, state, pages, size, kind, coding))
        ok = ok and state == "completed" and pages > 0
    return ok
