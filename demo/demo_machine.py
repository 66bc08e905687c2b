"""The client machine of the demonstration: three Nortavi products, one
update already applied, and a shared component of version 1.2.3.4."""

from installed_targets import install_target_v1234
from update_service import product_registry

PRODUCTS = {
    "vornaclient": ("PAVEオンラインアップデート", []),
    "qcharter": ("Q-Charter 2009", ["0000000000000101"]),
    "brixviewer": ("BRIX Viewer", []),
}

COMMON_FOLDER_NAME = "NortaviCommon"
COMMON_FOLDER = "C:\\Program Files\\Nortavi\\Common"
SHARED_FILE = "qcshared.dll"


def prepare_machine(wine):
    install_target_v1234(wine, COMMON_FOLDER_NAME, COMMON_FOLDER, SHARED_FILE)
    wine.load_registry(product_registry(PRODUCTS))


def products_text():
    return ", ".join(f"{caption} ({key})" for key, (caption, _) in PRODUCTS.items())
