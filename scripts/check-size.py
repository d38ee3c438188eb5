#!/usr/bin/env python3
"""Lists C++ files over 350 lines and functions over 60 in the given folders.

A file counts every line. A function counts from the line of the brace that opens its body to the
line of the brace that closes it, both included. A body is a brace met outside any other function
body and outside class, struct, enum and union bodies, whose text since the last `;`, `{` or `}`
holds a `(`: a function, a lambda at namespace level or a constructor with its initialisers.
Namespaces are looked through. Braces in comments, strings and character literals are skipped.
Exits 1 when anything is over, naming each file and function as path:line.
"""
import pathlib
import re
import sys

FILE_LIMIT = 350
FUNCTION_LIMIT = 60


def code_only(text):
    """The text with comments, strings and character literals blanked, line ends kept."""
    pattern = re.compile(r'//[^\n]*|/\*.*?\*/|R"([^(]*)\(.*?\)\1"|"(?:\\.|[^"\\\n])*"|'
                         r"'(?:\\.|[^'\\\n])*'", re.S)
    return pattern.sub(lambda m: re.sub(r'[^\n]', ' ', m.group(0)), text)


def long_functions(path):
    code = code_only(path.read_text(encoding='utf-8'))
    stack = []  # one entry per open brace: 'scope' (looked through), 'type' or 'function'
    head = ''
    line = 1
    start = 0
    for char in code:
        if char == '\n':
            line += 1
        if char == '{':
            inside_function = 'function' in stack
            if inside_function:
                stack.append('block')
            elif re.search(r'\b(namespace|extern)\b', head):
                stack.append('scope')
            elif re.search(r'\b(class|struct|enum|union)\b', head) and '(' not in head:
                stack.append('type')
            elif '(' in head:
                stack.append('function')
                start = line
            else:
                stack.append('block')
            head = ''
        elif char == '}':
            kind = stack.pop() if stack else 'scope'
            if kind == 'function' and line - start + 1 > FUNCTION_LIMIT:
                yield start, line - start + 1
            head = ''
        elif char == ';':
            head = ''
        else:
            head += char


def main(folders):
    over = []
    for folder in folders:
        for path in sorted(pathlib.Path(folder).rglob('*')):
            if path.suffix not in ('.cpp', '.h'):
                continue
            lines = path.read_text(encoding='utf-8').count('\n')
            if lines > FILE_LIMIT:
                over.append(f'{path}: {lines} lines, over {FILE_LIMIT}')
            for start, length in long_functions(path):
                over.append(f'{path}:{start}: function of {length} lines, over {FUNCTION_LIMIT}')
    for entry in over:
        print(entry)
    return 1 if over else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:] or ['src', 'tools', 'tests', 'bench']))
