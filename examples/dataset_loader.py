"""Reads a dataset store as a training loop would: a PyTorch DataLoader with
two worker processes over marbleck.dataset.TorchDataset, printing the
batches' shapes and how fast they come; it trains nothing.

    PYTHONPATH=build/python python3 -m marbleck.dataset /tmp/set.zarr --count 100
    PYTHONPATH=build/python python3 examples/dataset_loader.py /tmp/set.zarr
"""

import argparse
import sys
import time

import torch
from torch.utils.data import DataLoader

import marbleck.dataset


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("store", help="a store python3 -m marbleck.dataset made")
    parser.add_argument("--batch", type=int, default=2, help="samples a batch (default 2)")
    parser.add_argument("--workers", type=int, default=2, help="the loader's worker processes (default 2)")
    parser.add_argument("--partial", action="store_true", help="read the samples written so far")
    args = parser.parse_args()

    try:
        dataset = marbleck.dataset.TorchDataset(args.store, fields=("colour", "depth", "hologram"),
                                                partial=args.partial)
    except (OSError, ValueError) as error:
        sys.exit(f"dataset_loader.py: {error}")
    p = dataset.parameters
    print(f"{args.store}: {len(dataset)} samples of {p['size'][0]} x {p['size'][1]}, "
          f"{len(p['wavelengths'])} wavelengths, {p['method']}, {p['encode']}")

    loader = DataLoader(dataset, batch_size=args.batch, shuffle=True, num_workers=args.workers,
                        generator=torch.Generator().manual_seed(0))
    start = time.perf_counter()
    samples = batches = 0
    megabytes = 0.0
    for batch in loader:
        if batches == 0:
            for name, tensor in batch.items():
                shape = " x ".join(str(side) for side in tensor.shape)
                print(f"  {name}: {shape} {str(tensor.dtype).replace('torch.', '')}")
        samples += len(batch["hologram"])
        batches += 1
        megabytes += sum(t.element_size() * t.nelement() for t in batch.values()) / 1e6
    seconds = time.perf_counter() - start
    print(f"{samples} samples in {batches} batches, {seconds:.2f} s: {samples / seconds:.1f} samples/s, "
          f"{megabytes / seconds:.1f} MB/s with {args.workers} workers")


if __name__ == "__main__":
    main()
