#!/usr/bin/env python3
"""Seeds a bench prefix, reproducibly from a seed, with a heavy registry and a shortcut tree.

Writes bench.reg (imported with regedit), the existing target files (straight into drive_c) and a
list of shortcuts for make-shortcut. About half of every category points at missing files.
Usage: generate.py PREFIX_DIR OUT_DIR [--seed N] [--scale F]
"""
import argparse
import os
import random

SIZES = dict(com=20000, shared_dlls=5000, app_paths=1000, uninstall=2000, fonts=1000, startup=300,
             drivers=200, help=500, shared_tools=200, folders=2000, shortcuts=5000,
             user_startup=100, user_app_paths=200, user_uninstall=500, file_types=2000)


def esc(text):
    return text.replace('\\', '\\\\').replace('"', '\\"')


class Tree:
    def __init__(self, prefix):
        self.c = os.path.join(prefix, 'drive_c')

    def touch(self, win_path):
        """Creates the file that a C:\\ path names."""
        assert win_path[:3].upper() == 'C:\\'
        host = os.path.join(self.c, *win_path[3:].split('\\'))
        os.makedirs(os.path.dirname(host), exist_ok=True)
        open(host, 'w').close()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('prefix')
    ap.add_argument('out')
    ap.add_argument('--seed', type=int, default=1)
    ap.add_argument('--scale', type=float, default=1.0)
    a = ap.parse_args()
    rng = random.Random(a.seed)
    n = {k: max(1, int(v * a.scale)) for k, v in SIZES.items()}
    tree = Tree(a.prefix)
    reg = ['REGEDIT4', '']
    expect_missing = 0

    def target(kind, i, ext, present):
        path = 'C:\\bench\\files\\%s\\%s%d%s' % (kind, kind, i, ext)
        if present:
            tree.touch(path)
        return path if present else path.replace('\\files\\', '\\gone\\')

    def key(path, values):
        reg.append('[%s]' % path)
        for name, data in values:
            if isinstance(data, int):
                reg.append('%s=dword:%08x' % ('@' if name is None else '"%s"' % esc(name), data))
            else:
                reg.append('%s="%s"' % ('@' if name is None else '"%s"' % esc(name), esc(data)))
        reg.append('')

    clsid = 'HKEY_CLASSES_ROOT\\CLSID\\{BE%06d-0000-4000-8000-%012d}'
    for i in range(n['com']):
        present = rng.random() < 0.5
        expect_missing += not present
        kind = rng.choice(['quoted', 'dash', 'env', 'old', 'bare', 'plain'])
        base = clsid % (i, a.seed)
        key(base, [(None, 'Bench class %d' % i)])
        if kind == 'bare':
            name = 'zbench%d.dll' % i
            if present:
                tree.touch('C:\\windows\\system32\\' + name)
            server, data = 'InprocServer32', name
        else:
            path = target('com', i, '.dll' if kind != 'dash' else '.exe', present)
            server, data = {
                'quoted': ('InprocServer32', '"%s" /automation' % path),
                'dash': ('LocalServer32', '%s -Embedding' % path),
                'env': ('InprocServer32', path.replace('C:', '%SystemDrive%', 1)),
                'old': ('InprocServer', path),
                'plain': ('InprocServer32', path),
            }[kind]
        key(base + '\\' + server, [(None, data), ('ThreadingModel', 'Apartment')])
        if rng.random() < 0.3:
            key(base + '\\ProgID', [(None, 'Bench.Class.%d' % i)])
        if rng.random() < 0.3:
            key(base + '\\Version', [(None, '1.0')])

    def values_key(path, count, make):
        nonlocal expect_missing
        reg.append('[%s]' % path)
        for i in range(count):
            present = rng.random() < 0.5
            expect_missing += not present
            name, data = make(i, present)
            reg.append('"%s"=%s' % (esc(name), ('dword:%08x' % data) if isinstance(data, int) else '"%s"' % esc(data)))
        reg.append('')

    values_key('HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs', n['shared_dlls'],
               lambda i, p: (target('shared', i, '.dll', p), rng.randint(1, 9)))
    values_key('HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32', n['drivers'],
               lambda i, p: ('bench.drv%d' % i, target('drv', i, '.drv', p)))
    values_key('HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts', n['fonts'],
               lambda i, p: ('Bench Font %d (TrueType)' % i, target('font', i, '.ttf', p)))
    values_key('HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run', n['startup'],
               lambda i, p: ('BenchRun%d' % i, '"%s" /background' % target('run', i, '.exe', p)))

    def help_entry(i, p):
        path = target('help', i, '.hlp', p)
        folder, name = path.rsplit('\\', 1)
        return name, folder + '\\'
    values_key('HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\Help', n['help'], help_entry)

    for i in range(n['app_paths']):
        present = rng.random() < 0.5
        expect_missing += not present
        exe = target('app', i, '.exe', present)
        key('HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\benchapp%d.exe' % i,
            [(None, exe), ('Path', 'C:\\bench\\files\\app;C:\\bench\\lib')])
    for i in range(n['shared_tools']):
        present = rng.random() < 0.5
        expect_missing += not present
        key('HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\Bench Tool %d' % i,
            [('Path', target('tool', i, '.exe', present)), ('Version', '2.%d' % i)])
    for i in range(n['uninstall']):
        present = rng.random() < 0.5
        expect_missing += not present
        exe = target('uninst', i, '.exe', present)
        key('HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\BenchProduct%d' % i,
            [('DisplayName', 'Bench Product %d' % i), ('DisplayVersion', '1.%d' % i), ('Publisher', 'Bench'),
             ('InstallLocation', 'C:\\bench\\files\\uninst'), ('UninstallString', '"%s" /uninstall' % exe),
             ('DisplayIcon', exe), ('EstimatedSize', 1234), ('NoModify', 1), ('NoRepair', 1),
             ('URLInfoAbout', 'about:blank')])

    # What per-user installers write: the current user's startup programs, application paths and
    # uninstall entries, and the machine's programs started once.
    user = 'HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\'
    values_key(user + 'Run', n['user_startup'],
               lambda i, p: ('BenchUserRun%d' % i, '"%s" /tray' % target('userrun', i, '.exe', p)))
    values_key('HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce',
               max(1, n['user_startup'] // 4),
               lambda i, p: ('BenchOnce%d' % i, target('once', i, '.exe', p)))
    for i in range(n['user_app_paths']):
        present = rng.random() < 0.5
        expect_missing += not present
        key(user + 'App Paths\\BenchUserApp%d.exe' % i, [(None, target('userapp', i, '.exe', present))])
    for i in range(n['user_uninstall']):
        present = rng.random() < 0.5
        expect_missing += not present
        exe = target('useruninst', i, '.exe', present)
        key(user + 'Uninstall\\BenchUserProduct%d' % i,
            [('DisplayName', 'Bench User Product %d' % i), ('DisplayVersion', '3.%d' % i),
             ('UninstallString', '"%s" /uninstall /user' % exe), ('DisplayIcon', exe), ('NoModify', 1)])
    # File types: an extension naming its class, the class's open and print verbs (one broken in
    # two), as document programs register them.
    for i in range(n['file_types']):
        present = rng.random() < 0.5
        expect_missing += not present
        cls = 'HKEY_CLASSES_ROOT\\BenchDoc.%d' % i
        exe = target('doc', i, '.exe', present)
        key('HKEY_CLASSES_ROOT\\.bench%d' % i, [(None, 'BenchDoc.%d' % i), ('Content Type', 'text/plain')])
        key(cls, [(None, 'Bench document %d' % i)])
        key(cls + '\\DefaultIcon', [(None, exe + ',0')])
        key(cls + '\\shell\\open\\command', [(None, '"%s" "%%1"' % exe)])
        key(cls + '\\shell\\print\\command', [(None, 'notepad.exe /p "%1"')])

    # Shortcut tree: folders nested two levels deep, shortcuts spread over them, half broken.
    folders = []
    top = max(1, int(n['folders'] ** 0.5))
    for f in range(n['folders']):
        folders.append('C:\\bench\\links\\d%03d\\s%04d' % (f % top, f) if f >= top else 'C:\\bench\\links\\d%03d' % f)
    for f in folders:
        os.makedirs(os.path.join(tree.c, *f[3:].split('\\')), exist_ok=True)
    broken = 0
    with open(os.path.join(a.out, 'shortcuts.lst'), 'w') as lst:
        for i in range(n['shortcuts']):
            present = rng.random() < 0.5
            broken += not present
            t = 'C:\\bench\\files\\lnk\\t%d.txt' % i
            tree.touch(t)  # made present so the shell link records it; broken ones are deleted later
            lst.write('%s\\l%d.lnk\t%s\n' % (rng.choice(folders), i, t))
            if not present:
                with open(os.path.join(a.out, 'remove.lst'), 'a') as rm:
                    rm.write(t + '\n')
    with open(os.path.join(a.out, 'bench.reg'), 'w', encoding='latin-1', newline='\r\n') as f:
        f.write('\n'.join(reg) + '\n')
    with open(os.path.join(a.out, 'expected.txt'), 'w') as f:
        f.write('registry_missing=%d\nshortcuts_broken=%d\n' % (expect_missing, broken))
    print('generated: %s; registry entries expected missing %d, broken shortcuts %d' %
          (', '.join('%s %d' % kv for kv in n.items()), expect_missing, broken))


if __name__ == '__main__':
    main()
