"""Registry fixtures as .reg files for "regedit /S".

Wine's regedit needs UTF-16LE with a byte-order mark: ASCII files corrupt
hex(2) data. A fixture maps key paths to {value name: value}:

    str          REG_SZ
    int          REG_DWORD
    ExpandSz     REG_EXPAND_SZ
    MultiSz      REG_MULTI_SZ
    bytes        REG_BINARY
    None         the value is deleted

A key path starting with "-" deletes the key with everything below it.
Key paths may use the short roots HKLM and HKCU; HKLM32 is the 32-bit view
of HKEY_LOCAL_MACHINE\\SOFTWARE, which is what the client reads.
"""

ROOTS = {
    "HKLM32\\": "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\",
    "HKLM\\": "HKEY_LOCAL_MACHINE\\",
    "HKCU\\": "HKEY_CURRENT_USER\\",
}


class ExpandSz(str):
    pass


class MultiSz(list):
    pass


def full_key_path(path):
    for short, full in ROOTS.items():
        if path.startswith(short):
            return full + path[len(short):]
    return path


def _quoted(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def _hex(kind, data):
    return f"hex({kind}):" + ",".join(f"{byte:02x}" for byte in data) if kind else \
        "hex:" + ",".join(f"{byte:02x}" for byte in data)


def _value_data(value):
    if value is None:
        return "-"
    if isinstance(value, bool):
        raise TypeError("use an int for a DWORD")
    if isinstance(value, ExpandSz):
        return _hex(2, (str(value) + "\0").encode("utf-16-le"))
    if isinstance(value, MultiSz):
        return _hex(7, ("\0".join(value) + "\0\0").encode("utf-16-le"))
    if isinstance(value, str):
        return _quoted(value)
    if isinstance(value, int):
        return f"dword:{value & 0xFFFFFFFF:08x}"
    if isinstance(value, (bytes, bytearray)):
        return _hex(None, value)
    raise TypeError(f"unsupported registry value {value!r}")


def reg_file_text(fixture):
    lines = ["Windows Registry Editor Version 5.00", ""]
    for key, values in fixture.items():
        if key.startswith("-"):
            lines += [f"[-{full_key_path(key[1:])}]", ""]
            continue
        lines.append(f"[{full_key_path(key)}]")
        for name, value in (values or {}).items():
            label = "@" if name == "" else _quoted(name)
            lines.append(f"{label}={_value_data(value)}")
        lines.append("")
    return "\r\n".join(lines) + "\r\n"


def write_reg_file(path, fixture):
    with open(path, "wb") as out:
        out.write(b"\xff\xfe" + reg_file_text(fixture).encode("utf-16-le"))
