#!/usr/bin/env python3
"""Writes each UTF-8 language source given as <name>.ini.utf8 into the output
folder as <name>.ini in UTF-16LE with a byte order mark and CRLF line ends, the
form the system's private-profile functions read as Unicode."""
import os
import sys


def main():
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    for source in sys.argv[2:]:
        name = os.path.basename(source)
        if name.endswith('.utf8'):
            name = name[:-len('.utf8')]
        with open(source, encoding='utf-8') as f:
            text = f.read()
        text = text.replace('\r\n', '\n').replace('\n', '\r\n')
        target = os.path.join(out_dir, name)
        with open(target + '.tmp', 'wb') as f:
            f.write(b'\xff\xfe' + text.encode('utf-16-le'))
        os.replace(target + '.tmp', target)


if __name__ == '__main__':
    main()
