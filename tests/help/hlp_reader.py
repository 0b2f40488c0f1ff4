"""A reader of WinHelp 3.1 files for the help compiler's tests, written from the public notes
on the format and sharing no code with the compiler: what it finds in a built file is what a
help viewer would find there.

  help = HelpFile(data)
  help.title, help.copyright, help.contents_offset
  help.topics        [Topic(title, offset, number, paragraphs)] in file order
  help.find_context(name) -> the offset of the topic named so (searching |CONTEXT as a
                             viewer does: from the root page down), or None
  help.context_map   {number: offset} (|CTXOMAP)
  help.titles        {offset: title} (|TTLBTREE)
  help.topic_at(offset) -> the topic that holds that offset
"""
import dataclasses
import struct


class FormatError(Exception):
    pass


def word(data, at):
    return struct.unpack_from('<H', data, at)[0]


def signed_word(data, at):
    return struct.unpack_from('<h', data, at)[0]


def dword(data, at):
    return struct.unpack_from('<I', data, at)[0]


def signed_dword(data, at):
    return struct.unpack_from('<i', data, at)[0]


def zstring(data, at):
    end = data.index(b'\0', at)
    return data[at:end], end + 1


def context_hash(name):
    """The hash of a context name: 43 times the hash so far plus the character's value, in a
    signed 32-bit number; letters count 17 to 42 whatever their case, digits 1 to 9 and 10
    for 0, "." 12 and "_" 13."""
    value = 0
    for c in name.upper():
        if 'A' <= c <= 'Z':
            v = ord(c) - ord('A') + 17
        elif '1' <= c <= '9':
            v = ord(c) - ord('0')
        else:
            v = {'0': 10, '.': 12, '_': 13}[c]
        value = (value * 43 + v) % (1 << 32)
    return value - (1 << 32) if value >= 1 << 31 else value


class Cursor:
    """Reads the compressed numbers of a display record."""

    def __init__(self, data, at=0):
        self.data = data
        self.at = at

    def byte(self):
        value = self.data[self.at]
        self.at += 1
        return value

    def compressed_ushort(self):
        if self.data[self.at] & 1:
            value = word(self.data, self.at) // 2
            self.at += 2
        else:
            value = self.byte() // 2
        return value

    def compressed_short(self):
        if self.data[self.at] & 1:
            value = word(self.data, self.at) // 2 - 0x4000
            self.at += 2
        else:
            value = self.byte() // 2 - 0x40
        return value

    def compressed_long(self):
        if self.data[self.at] & 1:
            value = dword(self.data, self.at) // 2 - 0x40000000
            self.at += 4
        else:
            value = word(self.data, self.at) // 2 - 0x4000
            self.at += 2
        return value


@dataclasses.dataclass
class BTree:
    data: bytes
    flags: int
    page_size: int
    structure: str
    root: int
    pages: int
    levels: int
    entries: int

    @staticmethod
    def read(data):
        if word(data, 0) != 0x293B:
            raise FormatError('not a B+ tree')
        structure = data[6:22].split(b'\0')[0].decode('ascii')
        if signed_word(data, 22) != 0 or signed_word(data, 28) != -1:
            raise FormatError('the B+ tree header has the wrong fixed values')
        return BTree(data, word(data, 2), word(data, 4), structure, word(data, 26),
                     word(data, 30), word(data, 32), dword(data, 34))

    def page(self, number):
        if number >= self.pages:
            raise FormatError(f'page {number} of {self.pages}')
        start = 38 + number * self.page_size
        return self.data[start:start + self.page_size]

    def leaves(self):
        """Every leaf page, first to last: down the first children, then along the list."""
        number = self.root
        for _ in range(self.levels - 1):
            number = word(self.page(number), 4)
        previous = 0xFFFF
        while number != 0xFFFF:
            page = self.page(number)
            if word(page, 4) != previous:
                raise FormatError(f'leaf {number} does not point back to {previous}')
            yield page
            previous, number = number, word(page, 6)

    def all(self, read_entry):
        found = []
        for page in self.leaves():
            at = 8
            for _ in range(word(page, 2)):
                entry, at = read_entry(page, at)
                found.append(entry)
        if len(found) != self.entries:
            raise FormatError(f'{len(found)} entries, the header says {self.entries}')
        return found

    def search(self, key, read_index_key, read_entry, entry_key):
        """The entry with `key`, descending from the root as a viewer does."""
        number = self.root
        for _ in range(self.levels - 1):
            page = self.page(number)
            number = word(page, 4)
            at = 6
            for _ in range(word(page, 2)):
                index_key, at = read_index_key(page, at)
                child = word(page, at)
                at += 2
                if key < index_key:
                    break
                number = child
        page = self.page(number)
        at = 8
        for _ in range(word(page, 2)):
            entry, at = read_entry(page, at)
            if entry_key(entry) == key:
                return entry
        return None


def read_name_entry(page, at):
    name, at = zstring(page, at)
    return (name.decode('ascii'), dword(page, at)), at + 4


def read_context_entry(page, at):
    return (signed_dword(page, at), dword(page, at + 4)), at + 8


def read_title_entry(page, at):
    title, end = zstring(page, at + 4)
    return (dword(page, at), title.decode('cp1252')), end


@dataclasses.dataclass
class Paragraph:
    """One display record: its settings and what it shows, as ('text', str), ('font', n),
    ('jump', hash), ('end-jump',), ('tab',) and ('paragraph',)."""
    spacing_above: int = 0
    left_indent: int = 0
    first_line_indent: int = 0
    tab_stops: list = dataclasses.field(default_factory=list)
    items: list = dataclasses.field(default_factory=list)

    def text(self):
        return ''.join(i[1] if i[0] == 'text' else '\t' if i[0] == 'tab' else ''
                       for i in self.items)


@dataclasses.dataclass
class Topic:
    title: str
    offset: int
    number: int
    position: int
    paragraphs: list

    def text(self):
        return '\n'.join(p.text() for p in self.paragraphs)


class HelpFile:
    def __init__(self, data):
        self.data = data
        if dword(data, 0) != 0x00035F3F:
            raise FormatError('not a help file')
        if dword(data, 12) != len(data):
            raise FormatError(f'the header says {dword(data, 12)} bytes, the file has '
                              f'{len(data)}')
        self.directory_tree = BTree.read(self.internal(dword(data, 4)))
        if self.directory_tree.flags & 0x0400 == 0 or self.directory_tree.page_size != 0x400:
            raise FormatError('the directory is not flagged as one')
        self.directory = dict(self.directory_tree.all(read_name_entry))
        names = list(self.directory)
        if names != sorted(names, key=lambda n: n.encode('ascii')):
            raise FormatError('the directory is not in order')
        self.read_system()
        self.read_topics()
        self.context_tree = BTree.read(self.file('|CONTEXT'))
        self.contexts = dict(self.context_tree.all(read_context_entry))
        ctxomap = self.file('|CTXOMAP')
        self.context_map = {dword(ctxomap, 2 + 8 * i): dword(ctxomap, 6 + 8 * i)
                            for i in range(word(ctxomap, 0))}
        self.titles = dict(BTree.read(self.file('|TTLBTREE')).all(read_title_entry))
        self.read_fonts()

    def internal(self, at):
        reserved, used = dword(self.data, at), dword(self.data, at + 4)
        if reserved < used + 9 or at + reserved > len(self.data):
            raise FormatError(f'the internal file at {at} does not fit')
        return self.data[at + 9:at + 9 + used]

    def file(self, name):
        return self.internal(self.directory[name])

    def read_system(self):
        system = self.file('|SYSTEM')
        magic, self.minor, self.major, self.date, self.flags = struct.unpack_from('<HHHIH',
                                                                                   system)
        if magic != 0x036C or self.major != 1:
            raise FormatError('not a |SYSTEM file')
        self.records = {}
        at = 12
        while at < len(system):
            kind, size = word(system, at), word(system, at + 2)
            self.records[kind] = system[at + 4:at + 4 + size]
            at += 4 + size
        self.title = self.records[1].rstrip(b'\0').decode('cp1252')
        self.copyright = self.records.get(2, b'').rstrip(b'\0').decode('cp1252')
        self.contents_offset = dword(self.records[3], 0)
        window = self.records.get(6, bytes(90))
        if len(window) != 90:
            raise FormatError('a window definition is 90 bytes')
        self.main_window = {'name': window[12:21].split(b'\0')[0].decode('cp1252'),
                            'caption': window[21:72].split(b'\0')[0].decode('cp1252'),
                            'fields': word(window, 0)}

    def read_topics(self):
        """Walks |TOPIC from its first record along the records' links."""
        if self.minor <= 16 or self.flags != 0:
            raise FormatError('only uncompressed 3.1 files are read here')
        raw = self.file('|TOPIC')
        block_size = 4096
        if len(raw) % block_size:
            raise FormatError('|TOPIC is not made of whole blocks')
        self.blocks = [raw[i:i + block_size] for i in range(0, len(raw), block_size)]
        stream = b''.join(block[12:] for block in self.blocks)

        def place(pos):
            block, offset = divmod(pos - 12, 0x4000)
            if pos < 12 or offset >= block_size - 12 or block >= len(self.blocks):
                raise FormatError(f'TOPICPOS {pos:#x} points nowhere')
            return block * (block_size - 12) + offset

        self.records_by_pos = {}
        self.topics = []
        self.topic_headers = []
        pos = dword(self.blocks[0], 4)
        previous = 0xFFFFFFFF
        counted_block, counted = 0, 0
        topic = None
        while pos != 0xFFFFFFFF:
            at = place(pos)
            block_size_, data2_size, back, forward, data1_size, kind = struct.unpack_from(
                '<IIIIIB', stream, at)
            if back != previous:
                raise FormatError(f'the record at {pos:#x} does not point back to the last')
            data1 = stream[at + 21:at + data1_size]
            data2 = stream[at + data1_size:at + block_size_]
            if len(data2) != data2_size:
                raise FormatError('a record whose text is compressed')
            block = (pos - 12) // 0x4000
            if block != counted_block:
                counted_block, counted = block, 0
            offset = block * 0x8000 + counted
            self.records_by_pos[pos] = (kind, offset)
            if kind == 0x02:
                if data2:
                    topic = Topic(data2.split(b'\0')[0].decode('cp1252'), offset,
                                  dword(data1, 12), pos, [])
                    self.topics.append(topic)
                    # Its first paragraph, and the next topic, for check_block_headers.
                    self.topic_headers.append((topic, dword(data1, 20), dword(data1, 24),
                                               forward))
            elif kind == 0x20:
                paragraph, length = self.read_paragraph(data1, data2)
                topic.paragraphs.append(paragraph)
                counted += length
            else:
                raise FormatError(f'record kind {kind:#x}')
            previous, pos = pos, forward
        self.check_block_headers()

    def check_block_headers(self):
        """Each block's header names the records before and in it; each topic header its
        first paragraph and the next topic."""
        positions = sorted(self.records_by_pos)
        headers = [p for p in positions if self.records_by_pos[p][0] == 0x02]
        for number, block in enumerate(self.blocks):
            last, first, last_header = struct.unpack_from('<III', block)
            starting = [p for p in positions if (p - 12) // 0x4000 == number]
            before = [p for p in positions if (p - 12) // 0x4000 < number]
            headers_before = [p for p in headers if (p - 12) // 0x4000 < number]
            expected = (before[-1] if before else 0xFFFFFFFF,
                        starting[0] if starting else 0xFFFFFFFF,
                        headers_before[-1] if headers_before else 0xFFFFFFFF)
            if (last, first, last_header) != expected:
                raise FormatError(f'block {number} header {(last, first, last_header)}, '
                                  f'expected {expected}')
        for topic, scroll, following, forward in self.topic_headers:
            if scroll != forward or self.records_by_pos[scroll][0] != 0x20:
                raise FormatError(f'"{topic.title}" does not scroll from its first paragraph')
            if following != 0xFFFFFFFF and self.records_by_pos[following][0] != 0x02:
                raise FormatError(f'the topic after "{topic.title}" is no topic')

    def read_paragraph(self, data1, data2):
        cursor = Cursor(data1)
        text_size = cursor.compressed_long()
        length = cursor.compressed_ushort()
        if text_size != len(data2):
            raise FormatError(f'a paragraph says {text_size} bytes of text, has {len(data2)}')
        cursor.at += 4
        bits = word(data1, cursor.at)
        cursor.at += 2
        paragraph = Paragraph()
        if bits & ~0x0252:
            raise FormatError(f'paragraph settings {bits:#06x} this reader does not know')
        if bits & 0x0002:
            paragraph.spacing_above = cursor.compressed_short()
        if bits & 0x0010:
            paragraph.left_indent = cursor.compressed_short()
        if bits & 0x0040:
            paragraph.first_line_indent = cursor.compressed_short()
        if bits & 0x0200:
            for _ in range(cursor.compressed_short()):
                paragraph.tab_stops.append(cursor.compressed_ushort())
        texts = data2.split(b'\0')
        if texts[-1] != b'':
            raise FormatError('the last text has no terminating zero')
        texts = texts[:-1]
        commands = 0
        for text in texts:
            if text:
                paragraph.items.append(('text', text.decode('cp1252')))
            code = cursor.byte()
            commands += 1
            if code == 0xFF:
                break
            if code == 0x80:
                paragraph.items.append(('font', word(data1, cursor.at)))
                cursor.at += 2
            elif code == 0x82:
                paragraph.items.append(('paragraph',))
            elif code == 0x83:
                paragraph.items.append(('tab',))
            elif code == 0xE3:
                paragraph.items.append(('jump', signed_dword(data1, cursor.at)))
                cursor.at += 4
            elif code == 0x89:
                paragraph.items.append(('end-jump',))
            else:
                raise FormatError(f'formatting command {code:#x}')
        # Each formatting command, the closing 0xFF too, follows a text of its own.
        if cursor.at != len(data1) or data1[-1] != 0xFF or commands != len(texts):
            raise FormatError('the texts and the formatting commands do not pair up')
        return paragraph, length

    def read_fonts(self):
        font = self.file('|FONT')
        faces, descriptors, face_at, descriptor_at = struct.unpack_from('<HHHH', font)
        size = (descriptor_at - face_at) // faces
        self.faces = [font[face_at + i * size:face_at + (i + 1) * size].split(b'\0')[0]
                      .decode('cp1252') for i in range(faces)]
        self.fonts = []
        for i in range(descriptors):
            at = descriptor_at + 11 * i
            self.fonts.append({'bold': bool(font[at] & 1), 'half_points': font[at + 1],
                               'face': self.faces[word(font, at + 3)]})

    def find_context(self, name):
        found = self.context_tree.search(
            context_hash(name), lambda page, at: (signed_dword(page, at), at + 4),
            read_context_entry, lambda entry: entry[0])
        return found[1] if found else None

    def topic_at(self, offset):
        """The topic that holds a TOPICOFFSET: the last one that begins at or before it."""
        holding = [t for t in self.topics if t.offset <= offset]
        return holding[-1] if holding else None

    def topic_titled(self, title):
        return next(t for t in self.topics if t.title == title)
