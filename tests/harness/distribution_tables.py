"""Distribution tables byte for byte, as the downloaders write them and the
updater reads them (code page 932, CR LF, TABs, no declaration)."""


def target_line(folder, name, version):
    return (f"\t\t<target type=\"file\" folder=\"{folder}\" name=\"{name}\" "
            f"version=\"{version}\"></target>\r\n")


def table_entry(key, type_text, module_id, name, date, targets=""):
    """One module's entry; name and targets as they stand in the file
    (escaped where needed)."""
    return (f"\t<Q-CharterModule type=\"{type_text}\">\r\n"
            f"\t\t<updateInfoKey>{key}</updateInfoKey>\r\n"
            f"\t\t<id>{module_id:016X}</id>\r\n"
            f"\t\t<name>{name}</name>\r\n"
            f"\t\t<lastWriteTime>{date}</lastWriteTime>\r\n"
            f"{targets}"
            "\t</Q-CharterModule>\r\n")


def table_bytes(*entries):
    return ("<paveOnlineUpdate>\r\n" + "".join(entries) + "</paveOnlineUpdate>\r\n").encode("cp932")
