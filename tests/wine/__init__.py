"""The end-to-end bench on Wine, the product checks and the kit's tests."""
