#!/usr/bin/env python3
"""The help compiler's tests: the bytes the WinHelp format fixes in a tiny help file; what a
reader written from the format notes (hlp_reader.py) finds in built files, small and large;
PanelDesk's own help against the program's resources; and the sources it refuses."""
import html.parser
import pathlib
import re
import subprocess
import sys
import tempfile
import unittest

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
COMPILER = ROOT / 'tools' / 'help-compiler'
sys.path.insert(0, str(HERE))
import hlp_reader  # noqa: E402

TINY = """\
title: Pieni ohje
copyright: © Veltra
contents: sisallys
map: 1 sisallys
map: 7 Toinen

= sisallys: Sisällys
Katso [toinen aihe](toinen) ja **lihava**.

= Toinen: Toinen aihe
- Takaisin [sisällykseen](SISALLYS).
"""


def compile_source(source, date=0x12345678):
    """The help file and the HTML page made of `source`."""
    with tempfile.TemporaryDirectory() as folder:
        folder = pathlib.Path(folder)
        (folder / 'help.txt').write_text(source, encoding='utf-8')
        run = subprocess.run([sys.executable, str(COMPILER), str(folder / 'help.txt'),
                              '--hlp', str(folder / 'HELP.HLP'), '--html',
                              str(folder / 'help.htm'), '--date', str(date)],
                             capture_output=True, text=True)
        if run.returncode != 0:
            raise AssertionError(f'the compiler refused the source: {run.stderr}')
        return (folder / 'HELP.HLP').read_bytes(), (folder / 'help.htm').read_text('utf-8')


def internal_file(data, name):
    """An internal file's bytes, found through the directory's single leaf page."""
    directory = int.from_bytes(data[4:8], 'little')
    leaf = directory + 9 + 38
    at, key = leaf + 8, name.encode('ascii') + b'\0'
    while not data.startswith(key, at):
        at = data.index(b'\0', at) + 5
    place = int.from_bytes(data[at + len(key):at + len(key) + 4], 'little')
    used = int.from_bytes(data[place + 4:place + 8], 'little')
    return data[place:place + 9 + used]


class TinyHelpFileBytes(unittest.TestCase):
    """What the format fixes, byte for byte."""

    @classmethod
    def setUpClass(cls):
        cls.data, _ = compile_source(TINY)

    def test_header_and_directory(self):
        data = self.data
        self.assertEqual(data[:4], bytes.fromhex('3f5f0300'))            # magic
        self.assertEqual(data[8:12], b'\xff\xff\xff\xff')                 # no free list
        self.assertEqual(int.from_bytes(data[12:16], 'little'), len(data))
        directory = data[int.from_bytes(data[4:8], 'little'):]
        self.assertEqual(directory[8], 4)                                 # file flags
        self.assertEqual(directory[9:9 + 38], bytes.fromhex(
            '3b29' '0204' '0004' + b'z4'.hex() + '00' * 14 +  # magic, directory, 1 KiB, "z4"
            '0000' '0000' '0000' 'ffff' '0100' '0100' '06000000'))  # root 0, 1 page, 1 level
        names = re.findall(rb'\|[A-Z]+\0', directory[9 + 38 + 8:9 + 38 + 0x400])
        self.assertEqual(names, [b'|CONTEXT\0', b'|CTXOMAP\0', b'|FONT\0', b'|SYSTEM\0',
                                 b'|TOPIC\0', b'|TTLBTREE\0'])

    def test_system(self):
        self.assertEqual(internal_file(self.data, '|SYSTEM')[9:], bytes.fromhex(
            '6c03' '1500' '0100' '78563412' '0000'      # magic, 3.1, date, uncompressed
            '0100' '0b00') + b'Pieni ohje\0' + bytes.fromhex('0200' '0900') +
            '© Veltra'.encode('cp1252') + b'\0' + bytes.fromhex('0300' '0400' '00000000') +
            bytes.fromhex('0600' '5a00' '0600') + bytes(10) + b'main'.ljust(9, b'\0') +
            b'Pieni ohje'.ljust(51, b'\0') + bytes(18))  # the main window: name and caption

    def test_context_map_and_fonts(self):
        self.assertEqual(internal_file(self.data, '|CTXOMAP')[9:], bytes.fromhex(
            '0200' '01000000' '00000000' '07000000' '2e000000'))
        font = internal_file(self.data, '|FONT')[9:]
        self.assertEqual(font[:8 + 20], bytes.fromhex('0100' '0400' '0800' '1c00') +
                         b'Arial'.ljust(20, b'\0'))
        self.assertEqual(font[28:39], bytes.fromhex('00' '14' '03' '0000' '000000' '000000'))

    def test_first_topic_block(self):
        topic = internal_file(self.data, '|TOPIC')
        self.assertEqual(len(topic) - 9, 4096)
        self.assertEqual(topic[9:21], bytes.fromhex('ffffffff' '0c000000' 'ffffffff'))
        header, title = topic[21:21 + 21 + 28], topic[21 + 49:21 + 49 + 9]
        self.assertEqual(header, bytes.fromhex(
            '3a000000' '09000000' 'ffffffff' '46000000' '31000000' '02'  # sizes, links, kind
            'bb000000' 'ffffffff' 'ffffffff' '00000000'        # topic size, no browse, topic 0
            'ffffffff' '46000000' 'c7000000'))       # no non-scrolling part, scroll, next topic
        self.assertEqual(title, 'Sisällys\0'.encode('cp1252'))
        # The heading paragraph: text size and length 11, paragraph settings none, the title
        # font, the text, end of paragraph, end of formatting.
        self.assertEqual(topic[21 + 0x3a:21 + 0x3a + 21 + 14 + 11], bytes.fromhex(
            '2e000000' '0b000000' '0c000000' '74000000' '23000000' '20'
            '1680' '16' '00800000' '0000' '800200' '82' 'ff') + b'\0Sis\xe4llys\0\0')

    def test_context_hashes(self):
        self.assertEqual(internal_file(self.data, '|CONTEXT')[9 + 38 + 8:9 + 38 + 8 + 16],
                         bytes.fromhex('32fda813' '00000000' '6982e241' '2e000000'))
        self.assertEqual(hlp_reader.context_hash('sisallys'), 0x13A8FD32)
        self.assertEqual(hlp_reader.context_hash('Toinen'), 0x41E28269)


class ReadBack(unittest.TestCase):
    def test_tiny_help_reads_back(self):
        help_file = hlp_reader.HelpFile(compile_source(TINY)[0])
        self.assertEqual((help_file.title, help_file.copyright), ('Pieni ohje', '© Veltra'))
        self.assertEqual(help_file.main_window,
                         {'name': 'main', 'caption': 'Pieni ohje', 'fields': 0x0006})
        contents = help_file.topic_at(help_file.contents_offset)
        self.assertEqual(contents.title, 'Sisällys')
        self.assertEqual({n: help_file.topic_at(o).title
                          for n, o in help_file.context_map.items()},
                         {1: 'Sisällys', 7: 'Toinen aihe'})
        self.assertEqual(help_file.titles, {t.offset: t.title for t in help_file.topics})
        self.assertEqual(contents.text(), 'Sisällys\nKatso toinen aihe ja lihava.')
        items = contents.paragraphs[1].items
        self.assertIn(('jump', hlp_reader.context_hash('toinen')), items)
        self.assertEqual(items[items.index(('text', 'lihava')) - 1], ('font', 1))
        bullet = help_file.topic_titled('Toinen aihe').paragraphs[1]
        self.assertEqual((bullet.left_indent, bullet.first_line_indent, bullet.tab_stops),
                         (30, -20, [30]))
        self.assertEqual(bullet.text(), '\u2022\tTakaisin sisällykseen.')

    def test_large_help_spans_blocks_and_tree_pages(self):
        # 600 topics: |TOPIC takes many blocks, and |CONTEXT and |TTLBTREE need index pages.
        # Names this long overflow the hash, so that negative hashes are among them.
        count = 600
        name = 'aihe_{:03}_pitka_nimi'.format
        source = ['title: Iso', f'contents: {name(0)}', f'map: 1 {name(0)}']
        for n in range(count):
            source += [f'= {name(n)}: Aihe {n}',
                       f'Teksti {n}, joka on tarpeeksi pitkä täyttämään lohkoja. ' * 3 +
                       f'Seuraava: [aihe {n + 1}]({name((n + 1) % count)}).', '']
        help_file = hlp_reader.HelpFile(compile_source('\n'.join(source))[0])
        self.assertGreater(len(help_file.blocks), 20)
        self.assertGreaterEqual(help_file.context_tree.levels, 2)
        self.assertTrue(any(h < 0 for h in help_file.contexts))
        self.assertEqual([t.title for t in help_file.topics], [f'Aihe {n}' for n in range(count)])
        offsets = [t.offset for t in help_file.topics]
        self.assertEqual(offsets, sorted(set(offsets)))
        for n in range(count):
            offset = help_file.find_context(name(n))
            self.assertIsNotNone(offset, f'{name(n)} is not in |CONTEXT')
            self.assertEqual(help_file.topic_at(offset).title, f'Aihe {n}')
            self.assertEqual(help_file.titles[offset], f'Aihe {n}')
        self.assertIsNone(help_file.find_context(name(count)))


def rc_texts():
    """Every text of the program's resources, as the user sees it: no "&", no surrounding
    spaces, no closing colon; the items of the dialogs' lists one by one."""
    texts = set()
    for line in (ROOT / 'resources' / 'PanelDesk.rc').read_text('utf-8').splitlines():
        if line.lstrip().startswith(('//', '#')):
            continue
        for wide, body in re.findall(r'(L?)"((?:[^"\\]|\\.)*)"', line):
            if wide:
                body = re.sub(r'\\x([0-9a-fA-F]{4})', lambda m: chr(int(m.group(1), 16)), body)
                body = re.sub(r'\\[0-7]{1,3}', '\0', body)
            for text in body.split('\0'):
                texts.add(shown(text))
    return texts


def shown(caption):
    caption = caption.replace('&&', '\x01').replace('&', '').replace('\x01', '&')
    return caption.strip().rstrip(':').strip()


def rc_dialog_captions(dialog):
    """The captions of a dialog's buttons, check boxes and field labels (texts that end in a
    colon), as the help quotes them."""
    lines = (ROOT / 'resources' / 'PanelDesk.rc').read_text('utf-8').splitlines()
    start = next(i for i, line in enumerate(lines) if line.startswith(f'{dialog} DIALOGEX'))
    found = []
    for line in lines[start:]:
        if line.strip() == 'END':
            break
        match = re.match(r'\s*(\w+)\s+"([^"]*)"', line)
        if not match:
            continue
        kind, caption = match.groups()
        if (kind in ('PUSHBUTTON', 'DEFPUSHBUTTON', 'AUTOCHECKBOX') or
                (kind == 'CONTROL' and 'BS_3STATE' in line) or
                (kind == 'LTEXT' and caption.rstrip().endswith(':'))):
            found.append(shown(caption))
    return found


def source_captions(text):
    """The {captions} of a help source's text, by topic."""
    by_topic = {}
    topic = None
    body = []
    for line in text.splitlines() + ['= end: end']:
        if line.startswith('= '):
            if topic:
                joined = ' '.join(part.strip() for part in body)
                by_topic[topic] = [re.sub(r'\\(.)', r'\1', c)
                                   for c in re.findall(r'(?<!\\)\{((?:[^{}\\]|\\.)*)\}', joined)]
            topic, body = line[2:].split(':')[0], []
        elif not line.startswith(';'):
            body.append(line)
    return by_topic


class PanelDeskHelp(unittest.TestCase):
    """The help that ships with the panel."""

    @classmethod
    def setUpClass(cls):
        cls.source = (ROOT / 'help' / 'PanelDesk.txt').read_text('utf-8')
        data, cls.page = compile_source(cls.source)
        cls.help = hlp_reader.HelpFile(data)

    def test_context_1_opens_the_contents_which_links_every_topic(self):
        contents = self.help.topic_at(self.help.context_map[1])
        self.assertEqual(self.help.topic_at(self.help.contents_offset), contents)
        self.assertEqual(contents, self.help.topics[0])
        linked = {self.help.topic_at(self.help.contexts[item[1]]).title
                  for paragraph in contents.paragraphs for item in paragraph.items
                  if item[0] == 'jump'}
        self.assertEqual(linked, {t.title for t in self.help.topics[1:]})
        for page in ('Asetukset', 'Lisävalinnat', 'Puhelinmuistio', 'Tietoja',
                     'Laiteohjelmiston päivitys'):
            self.assertIn(page, linked)

    def test_every_quoted_caption_is_the_programs_own(self):
        known = rc_texts()
        for topic, captions in source_captions(self.source).items():
            for caption in captions:
                self.assertIn(caption, known, f'{{{caption}}} in topic {topic} is no text of '
                              'resources/PanelDesk.rc')

    def test_each_window_has_its_buttons_and_fields_explained(self):
        captions = source_captions(self.source)
        windows = {'IDD_MAIN': 'paaikkuna', 'IDD_SETTINGS': 'asetukset',
                   'IDD_ADVANCED': 'lisavalinnat', 'IDD_PHONEBOOK': 'puhelinmuistio',
                   'IDD_ENTRY': 'puhelinmuistio', 'IDD_INFO': 'tietoja',
                   'IDD_FIRMWARE': 'paivitys', 'IDD_IMPORT': 'csv'}
        for dialog, topic in windows.items():
            for caption in rc_dialog_captions(dialog):
                self.assertIn(caption, captions[topic], f'the topic {topic} does not explain '
                              f'"{caption}" of {dialog}')

    def test_the_html_page_has_every_topic_and_no_dead_link(self):
        class Anchors(html.parser.HTMLParser):
            ids, links = [], []

            def handle_starttag(self, tag, attributes):
                attributes = dict(attributes)
                if 'id' in attributes:
                    self.ids.append(attributes['id'])
                if tag == 'a':
                    self.links.append(attributes['href'])

        anchors = Anchors()
        anchors.feed(self.page)
        self.assertEqual(len(anchors.ids), len(self.help.topics))
        self.assertEqual(anchors.ids[0], 'sisallys')
        self.assertEqual({link[1:] for link in anchors.links} - set(anchors.ids), set())
        for topic in self.help.topics:
            self.assertIn(f'<h1>{topic.title}</h1>', self.page)


class RefusedSources(unittest.TestCase):
    def test_a_refused_source_writes_nothing_and_says_where(self):
        cases = [
            (TINY.replace('(toinen)', '(kolmas)'), ':8: a link to "kolmas"'),
            (TINY.replace('contents: sisallys', 'contents: puuttuu'), 'contents topic'),
            (TINY.replace('**lihava**', 'nuoli →'), ':8: "→" is not in Windows-1252'),
            (TINY.replace('**lihava**', '**lihava'), ':8: "**" is missing'),
            (TINY.replace('= Toinen:', '= SISALLYS:'), ':10: a second topic'),
            (TINY.replace('map: 7 Toinen', 'map: 7 kolmas'), ':5: the map names no topic'),
            (TINY.replace('= Toinen:', '= toinen-aihe:'), 'letters, digits'),
        ]
        for source, message in cases:
            with self.subTest(message=message), tempfile.TemporaryDirectory() as folder:
                folder = pathlib.Path(folder)
                (folder / 'help.txt').write_text(source, encoding='utf-8')
                run = subprocess.run([sys.executable, str(COMPILER), str(folder / 'help.txt'),
                                      '--hlp', str(folder / 'HELP.HLP')],
                                     capture_output=True, text=True)
                self.assertEqual(run.returncode, 1)
                self.assertIn(message, run.stderr)
                self.assertEqual(list(folder.iterdir()), [folder / 'help.txt'])


if __name__ == '__main__':
    unittest.main()
