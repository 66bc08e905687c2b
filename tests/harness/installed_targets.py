"""Installed files that common modules name as targets: a file of version
1.2.3.4 in a folder registered under its symbolic name, as Nortavi's setup
programs register shared folders."""

import ntpath
import os
import shutil

SETUP_FOLDERS = "HKLM32\\Nortavi\\Common\\SETUP\\Folder"


def install_target_v1234(wine, symbolic_name, windows_folder, file_name):
    """Copies target_v1234.exe as file_name into windows_folder (on C:, made
    afresh) and registers the folder; returns the folder's Linux path."""
    drive, relative = ntpath.splitdrive(windows_folder)
    assert drive.upper() == "C:", windows_folder
    folder = os.path.join(wine.drive_c, *relative.strip("\\").split("\\"))
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    shutil.copyfile(os.path.join(wine.bin_dir, "target_v1234.exe"), os.path.join(folder, file_name))
    wine.load_registry({SETUP_FOLDERS: {symbolic_name: windows_folder}})
    return folder
