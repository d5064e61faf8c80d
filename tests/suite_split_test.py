#!/usr/bin/env python3
"""The entries of a test program that runs in parts run each of its cases exactly once.

A long test program runs as several CTest entries: parts that name cases with --gtest_filter and the
entry named after the program, which runs the rest through GTEST_FILTER. This reads the entries
CTest runs (build/tests/CTestTestfile.cmake), asks each split program for its cases
(--gtest_list_tests, under Wine) and fails when a case runs in no entry or in two of them.
Usage: suite_split_test.py BUILD_DIR WINE_RUN_SCRIPT
"""
import fnmatch
import os
import re
import subprocess
import sys

TOKEN = re.compile(r'\[=\[(.*?)\]=\]|"((?:[^"\\]|\\.)*)"|([^\s()"]+)', re.S)


def unescape(text):
    return re.sub(r'\\(.)', r'\1', text)


def calls(testfile_text, command):
    """The argument lists of every `command(...)` call in a generated CTest file."""
    for match in re.finditer(r'^%s\((.*)\)\s*$' % command, testfile_text, re.M):
        yield [m.group(1) if m.group(1) is not None else unescape(m.group(2)) if m.group(2) is not None
               else m.group(3) for m in TOKEN.finditer(match.group(1))]


def entries(testfile_text):
    """name -> {"command": [...], "env": {...}, "labels": [...]} for each test in the file."""
    found = {}
    for args in calls(testfile_text, 'add_test'):
        found[args[0]] = {'command': args[1:], 'env': {}, 'labels': []}
    for args in calls(testfile_text, 'set_tests_properties'):
        entry = found.get(args[0])
        if entry is None:
            continue
        props = args[args.index('PROPERTIES') + 1:]
        for key, value in zip(props[0::2], props[1::2]):
            if key == 'ENVIRONMENT':
                for item in re.split(r'(?<!\\);', value):
                    name, _, data = item.partition('=')
                    entry['env'][name] = data.replace('\\;', ';')
            elif key == 'LABELS':
                entry['labels'] = value.split(';')
    return found


def gtest_filter(entry):
    """The filter the entry's program runs with: its --gtest_filter argument, else GTEST_FILTER, else all."""
    for arg in entry['command']:
        if arg.startswith('--gtest_filter='):
            return arg[len('--gtest_filter='):]
    return entry['env'].get('GTEST_FILTER', '*')


def matches(name, gfilter):
    """GoogleTest's filter rule: positive patterns, then '-' and negative ones, ':' between patterns."""
    positive, _, negative = gfilter.partition('-')
    def any_of(patterns):
        return any(fnmatch.fnmatchcase(name, p) for p in patterns.split(':') if p)
    return any_of(positive or '*') and not any_of(negative)


def parse_case_list(text):
    cases, suite = [], None
    for line in text.replace('\r', '').split('\n'):
        if not line.strip():
            continue
        if not line.startswith(' '):
            suite = line.split('#')[0].strip()
        elif suite:
            cases.append(suite + line.split('#')[0].strip())
    return cases


def listed_cases(wine_run, program, name):
    env = dict(os.environ)
    env.pop('GTEST_FILTER', None)
    # The listing runs in a prefix of its own, like any entry.
    env['ZENTHAR_TEST_NAME'] = name
    out = subprocess.run([wine_run, program, '--gtest_list_tests'], env=env, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, timeout=300).stdout.decode('latin-1')
    return parse_case_list(out)


def check_split(all_entries, program_entry, cases):
    """Problems of one program's split: cases run by no entry or by several."""
    exe = all_entries[program_entry]['command'][1]
    shared_env = {k: v for k, v in all_entries[program_entry]['env'].items()
                  if k not in ('GTEST_FILTER', 'ZENTHAR_TEST_NAME')}
    parts = [n for n, e in all_entries.items()
             if len(e['command']) > 1 and e['command'][1] == exe and 'stress' not in e['labels']
             and {k: v for k, v in e['env'].items() if k not in ('GTEST_FILTER', 'ZENTHAR_TEST_NAME')} == shared_env]
    problems = []
    for case in cases:
        runs = [n for n in parts if matches(case, gtest_filter(all_entries[n]))]
        if len(runs) != 1:
            problems.append('%s runs in %d entries (%s)' % (case, len(runs), ', '.join(runs) or 'none'))
    return parts, problems


def main():
    build, wine_run = sys.argv[1], sys.argv[2]
    with open(os.path.join(build, 'tests', 'CTestTestfile.cmake')) as f:
        all_entries = entries(f.read())
    split = sorted(n for n, e in all_entries.items() if 'GTEST_FILTER' in e['env'])
    if not split:
        print('no test program runs in parts')
        return 1
    failed = False
    for program_entry in split:
        cases = listed_cases(wine_run, all_entries[program_entry]['command'][1], 'suite_split_test-' + program_entry)
        if not cases:
            print('%s: no cases listed' % program_entry)
            failed = True
            continue
        parts, problems = check_split(all_entries, program_entry, cases)
        print('%s: %d cases in %d entries (%s)' % (program_entry, len(cases), len(parts), ', '.join(sorted(parts))))
        for p in problems:
            print('  ' + p)
        failed = failed or bool(problems) or len(parts) < 2
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
