"""How the demonstration's scenes show what a run left behind."""

import os


def heading(text):
    print()
    print("=" * 78)
    print(text)
    print("=" * 78)


def show_folder(folder, indent="  "):
    """Every file below the folder with its size, folders first by name."""
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if os.path.isdir(path):
            print(f"{indent}{name}\\")
            show_folder(path, indent + "    ")
        else:
            print(f"{indent}{name:<24} {os.path.getsize(path):>9} bytes")


def text_lines(path):
    """The lines of a code page 932 text file with CR LF line ends; [] when
    there is no file."""
    if not os.path.exists(path):
        return []
    with open(path, "rb") as source:
        return source.read().decode("cp932").split("\r\n")[:-1]


def show_lines(lines, missing):
    """The lines indented, TABs as spaces; the text missing when there are none."""
    if not lines:
        print(f"  ({missing})")
    for line in lines:
        print("  " + line.replace("\t", "    "))


def introduce(title, scene_doc, *lines):
    """A scene's heading, the body of its docstring and the lines."""
    heading(title)
    print(scene_doc.split("\n\n", 1)[1].strip())
    print()
    for line in lines:
        print(line)
